#include "net/AccountFlows.h"

namespace tessarin {

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
        ui.ShowMessage(settings.texts[slot::kInvalidLoginInput], MessageKind::Error,
                       settings.texts[slot::kProductName]);
        return false;
    }
    CProgressDiag run(ui, settings.texts, host);
    run.SetTickPeriod(settings.tick);
    run.SetCredentials(mailAddress, password);
    run.SetServiceOperation(kOpLogin);
    (void)run.DoModal();
    return run.Client().LoggedIn();
}

bool KeyFolderAcceptable(IUserDialog& ui, const LanguageTable& texts, const std::filesystem::path& folder) {
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) return true;
    ui.ShowMessage(texts[slot::kServiceFolderMissing], MessageKind::Error, texts[slot::kProductName]);
    return false;
}

std::string FeaturePageUrl(const std::string& serviceBaseUrl) {
    std::string host = serviceBaseUrl;
    if (const auto scheme = host.find("://"); scheme != std::string::npos) host.erase(0, scheme + 3);
    if (const auto slash = host.find_first_of("/?#"); slash != std::string::npos) host.resize(slash);
    return "http://" + host + "/about/";
}

std::string RegistrationFieldsProblem(const LanguageTable& texts, const std::string& name,
                                      const std::string& mailAddress) {
    if (name.empty()) return texts[slot::kOwnerNameMissing];
    if (mailAddress.empty()) return texts[slot::kOwnerAddressMissing];
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
    CProgressDiag run(ui, settings.texts, host);
    run.SetTickPeriod(settings.tick);
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
            ui.ShowMessage(settings.texts[slot::kEmptyPassword], MessageKind::Warning,
                           settings.texts[slot::kProductName]);
        }

        int status = 0;
        {
            CProgressDiag check(ui, settings.texts, host);
            check.SetTickPeriod(settings.tick);
            check.SetCredentials(mailAddress, *password);
            check.SetPublicKeyPath(publicKeyPath);
            check.SetServiceOperation(kOpKeyStatus);
            ++result.attempts;
            if (check.DoModal() == CProgressDiag::IDCANCEL) {
                ui.ShowMessage(settings.texts[slot::kServiceInterrupted], MessageKind::Warning,
                               settings.texts[slot::kProductName]);
                result.outcome = OwnKeyOutcome::Interrupted;
                return result;
            }
            status = check.Client().ServiceStatus();
        }

        bool doRegister = false;
        switch (status) {
            case kServiceUnreachable:
                ui.ShowMessage(settings.texts[slot::kNoNetwork], MessageKind::Error,
                               settings.texts[slot::kProductName]);
                result.outcome = OwnKeyOutcome::NetworkError;
                return result;
            case kServiceRejected:
                ui.ShowMessage(settings.texts[slot::kWrongPassword], MessageKind::Error,
                               settings.texts[slot::kProductName]);
                continue;  // ask for the password again
            case kServiceDbError:
                ui.ShowMessage(settings.texts[slot::kServiceFault], MessageKind::Error,
                               settings.texts[slot::kProductName]);
                result.outcome = OwnKeyOutcome::ServiceFault;
                return result;
            case kServiceKeyRegistered:
                doRegister = ui.Ask(QuestionId::RegisterWithService, settings.texts[slot::kAskRegisterLatest],
                                    QuestionButtons::OkCancel, settings.texts[slot::kProductName]) == Answer::Ok;
                break;
            case kServiceSameKey:
                ui.ShowMessage(settings.texts[slot::kAlreadyRegisteredWithService], MessageKind::Information,
                               settings.texts[slot::kProductName]);
                result.outcome = OwnKeyOutcome::AlreadyRegistered;
                return result;
            case kServiceKeyNewer:
                doRegister = ui.Ask(QuestionId::ReconfigureServerKey, settings.texts[slot::kAskReconfigure],
                                    QuestionButtons::YesNo, settings.texts[slot::kProductName]) == Answer::Yes;
                break;
            default:  // 4, 0 and anything else
                doRegister = true;
                break;
        }
        if (!doRegister) {
            result.outcome = OwnKeyOutcome::Declined;
            return result;
        }
        CProgressDiag reg(ui, settings.texts, host);
        reg.SetTickPeriod(settings.tick);
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
