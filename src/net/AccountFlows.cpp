#include "net/AccountFlows.h"

#include "net/ServiceTexts.h"

namespace tessarin {

namespace text = service_text;

namespace {

std::size_t CharacterCount(const std::string& utf8) {
    std::size_t n = 0;
    for (const char ch : utf8)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

bool LoginInputAcceptable(const std::string& mailAddress, const std::string& password) {
    return !mailAddress.empty() && CharacterCount(password) >= 6;
}

bool WizardLogin(IUserDialog& ui, IHost& host, const std::string& mailAddress, const std::string& password,
                 const ServiceRunSettings& settings) {
    if (!LoginInputAcceptable(mailAddress, password)) {
        ui.ShowMessage(text::kInvalidLoginInput, MessageKind::Error, text::kProductTitle);
        return false;
    }
    CProgressDiag run(ui, host);
    run.SetTickPeriod(settings.tick);
    run.SetTexts(settings.texts);
    run.SetCredentials(mailAddress, password);
    run.SetServiceOperation(kOpLogin);
    (void)run.DoModal();
    return run.Client().LoggedIn();
}

bool KeyFolderAcceptable(IUserDialog& ui, const std::filesystem::path& folder) {
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) return true;
    ui.ShowMessage(text::kFolderMissing, MessageKind::Error, text::kProductTitle);
    return false;
}

std::string FeaturePageUrl(const std::string& serviceBaseUrl) {
    std::string host = serviceBaseUrl;
    if (const auto scheme = host.find("://"); scheme != std::string::npos) host.erase(0, scheme + 3);
    if (const auto slash = host.find_first_of("/?#"); slash != std::string::npos) host.resize(slash);
    return "http://" + host + "/about/";
}

std::string RegistrationFieldsProblem(const std::string& name, const std::string& mailAddress, bool english) {
    if (name.empty()) return english ? text::kRegNameMissingEn : text::kRegNameMissing;
    if (mailAddress.empty()) return english ? text::kRegAddressMissingEn : text::kRegAddressMissing;
    return {};
}

std::filesystem::path ServerKeySetPrivatePath(const std::filesystem::path& folder, const std::string& name) {
    return folder / (name + "Private.vpri");
}

std::filesystem::path ServerKeySetPublicPath(const std::filesystem::path& folder, const std::string& name) {
    return folder / (name + ".vpub");
}

ServerKeyResult RunServerKeyDownload(IUserDialog& ui, IHost& host, const std::string& mailAddress,
                                     const std::string& password, const std::filesystem::path& privateKeyPath,
                                     const ServiceRunSettings& settings) {
    CProgressDiag run(ui, host);
    run.SetTickPeriod(settings.tick);
    run.SetTexts(settings.texts);
    run.SetCredentials(mailAddress, password);
    run.SetServerKeyPath(privateKeyPath);
    run.SetServiceOperation(kOpServerKey);
    ServerKeyResult r;
    r.dialogResult = run.DoModal();
    r.status = run.Client().ServiceStatus();
    return r;
}

OwnKeyResult RegisterOwnKey(IUserDialog& ui, IHost& host, const std::string& mailAddress,
                            const std::filesystem::path& publicKeyPath, const PasswordPrompt& askPassword,
                            const ServiceRunSettings& settings) {
    OwnKeyResult result;
    for (;;) {
        std::optional<std::string> password;
        for (;;) {
            password = askPassword ? askPassword() : std::nullopt;
            if (!password) {
                result.outcome = OwnKeyOutcome::PromptCancelled;
                return result;
            }
            if (!password->empty()) break;
            ui.ShowMessage(text::kEmptyPassword, MessageKind::Warning, text::kProductTitle);
        }

        int status = 0;
        {
            CProgressDiag check(ui, host);
            check.SetTickPeriod(settings.tick);
            check.SetTexts(settings.texts);
            check.SetCredentials(mailAddress, *password);
            check.SetPublicKeyPath(publicKeyPath);
            check.SetServiceOperation(kOpKeyStatus);
            ++result.attempts;
            if (check.DoModal() == CProgressDiag::IDCANCEL) {
                ui.ShowMessage(text::kInterrupted, MessageKind::Warning, text::kProductTitle);
                result.outcome = OwnKeyOutcome::Interrupted;
                return result;
            }
            status = check.Client().ServiceStatus();
        }

        bool doRegister = false;
        switch (status) {
            case kServiceUnreachable:
                ui.ShowMessage(text::kNoNetwork, MessageKind::Error, text::kProductTitle);
                result.outcome = OwnKeyOutcome::NetworkError;
                return result;
            case kServiceRejected:
                ui.ShowMessage(text::kWrongPassword, MessageKind::Error, text::kProductTitle);
                continue;  // ask for the password again
            case kServiceDbError:
                ui.ShowMessage(text::kServiceFault, MessageKind::Error, text::kProductTitle);
                result.outcome = OwnKeyOutcome::ServiceFault;
                return result;
            case kServiceKeyRegistered:
                doRegister = ui.Ask(QuestionId::RegisterWithService, text::kAskRegisterLatest,
                                    QuestionButtons::OkCancel, text::kProductTitle) == Answer::Ok;
                break;
            case kServiceSameKey:
                ui.ShowMessage(text::kAlreadyRegistered, MessageKind::Information, text::kProductTitle);
                result.outcome = OwnKeyOutcome::AlreadyRegistered;
                return result;
            case kServiceKeyNewer:
                doRegister = ui.Ask(QuestionId::ReconfigureServerKey, text::kAskReconfigure, QuestionButtons::YesNo,
                                    text::kProductTitle) == Answer::Yes;
                break;
            default:  // 4, 0 and anything else
                doRegister = true;
                break;
        }
        if (!doRegister) {
            result.outcome = OwnKeyOutcome::Declined;
            return result;
        }
        CProgressDiag reg(ui, host);
        reg.SetTickPeriod(settings.tick);
        reg.SetTexts(settings.texts);
        reg.SetCredentials(mailAddress, *password);
        reg.SetPublicKeyPath(publicKeyPath);
        reg.SetServiceOperation(kOpRegisterKey);
        result.registerDialogResult = reg.DoModal();
        result.registerStatus = reg.Client().ServiceStatus();
        result.outcome = OwnKeyOutcome::RegisterRun;
        return result;
    }
}

}  // namespace tessarin
