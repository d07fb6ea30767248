#include "core/LanguageTable.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tessarin {

namespace {

struct SlotText {
    int slot;
    const char* text;
};

// Japanese: written first at process start and on every switch to Japanese.
constexpr SlotText kJapanese[] = {
    {2, "Tessarin"},
    {14, "暗号化する相手候補一覧"},
    {15, "今回の暗号化相手"},
    {16, "工房(選択されたファイル)"},
    {21, "暗号化/復号化するファイルの選択"},
    {26, "暗号化\tCtrl+&E"},
    {27, "復号化\tCtrl+&D"},
    {28, "各種設定"},
    {29, "宛先リスト"},
    {31, "公開鍵認証"},
    {35, "ファイルを転送"},
    {36, "ファイルの履歴表示"},
    {38, "日本語"},
    {39, "English"},
    {41, "目次"},
    {43, "鍵のバックアップ"},
    {46, "鍵セット生成"},
    {98, "このファイルはTessarinの暗号化の際に用いる秘密鍵です。\n他者への転送は禁止です。"},
    {102, "パス名が長すぎます。\nファイル名およびパス名を短くしてください。"},
    {109, "そのフォルダはすでに選択されています。"},
    {110, "そのファイルはすでに選択されています。"},
    {129, "前回設定された公開鍵・秘密鍵のペアが見つかりませんでした。\n鍵フォルダの移動を行った場合は「はい」を選択して、新しいフォルダの位置を指定してください。"},
    {140, "暗号化相手が設定されていません。"},
    {154, "既に関連付けアプリケーションが起動しています。\n起動しているアプリケーションを終了させてから、再度実行してください。"},
    {169, "鍵ファイル %s はTZA-P2P/Tessarinで使用できる公開鍵ではありません。"},
    {172, "自分宛に暗号化"},
    {173, "復号化"},
    {174, "削除"},
    {176, "暗号化されたファイルのみ表示"},
    {189, "現在選択されている公開鍵は%sです。"},
    {190, "公開鍵"},
    {192, "公開鍵を選択してください。"},
    {186, "フォルダ変更"},
    {193, "自身の公開鍵"},
    {194, "%sの宛先と%s宛ての暗号化に必要な鍵を削除します。\n削除してもよろしいですか？"},
    {195, "ひとつの公開鍵のみ選択可能です。"},
    {196, "(自分用)"},
    {197, "フォルダ'%s'とフォルダ内すべての宛先情報を削除しますか？"},
    {198, "Vorneloft宛の公開鍵は削除できません。"},
    {199, "自分自身の公開鍵なので登録する事は出来ません"},
    {200, "Vorneloft宛の公開鍵は情報を変更することができません。"},
    {201, "このフォルダ名は使用できません。"},
    {202, "Vorneloft宛の公開鍵は移動できません"},
    {255, "削除したい項目を選択してください。"},
    {258, "この認証鍵は宛先リストには登録できません。"},
    {261, "現在選択されている鍵ペアの内容が異常です。"},
    {273, "暗号化する相手が選択されてません"},
    {285, "アプリケーションが置かれているフォルダより下のフォルダを指定してください"},
    {286, "移動先が移動元と同一のフォルダのため、移動させることはできません"},
    {291, "公開鍵の持ち主の名前を指定してください"},
    {292, "公開鍵の持ち主のメールアドレスを指定してください"},
    {305, "ミニ工房を利用する"},
    {308, "暗号化ファイルの保存先に指定されているフォルダが存在しません。"},
    {309, "自動暗号／復号化の対象先に指定されているフォルダが存在しません。"},
    {311, "鍵ファイルが保存されているフォルダ及びドライブが見つからないため、\nユーザ名・メールアドレスの変更は反映されません。"},
    {312, "選択されたフォルダは鍵が保存されているフォルダを含むか\nあるいはネットワークドライブの為選択することは出来ません。"},
    {337, "特定フォルダにネットワークドライブを設定しないでください。"},
    {338, "直接ドライブを選択することはできません"},
    {340, "%sを暗号化するとシステムに異常をきたす可能性があるので指定はできません"},
    {401, "[鍵の修復依頼]"},
    {402, "鍵の修復依頼です。\n公開鍵と秘密鍵の復元用ファイルを送信します。"},
    {436, "履歴を表示可能なTZAファイルではありません。"},
    {437, "履歴のないTZAファイルのため、宛先を取得できません。"},
    {441, "宛先が設定されていません。宛先を選択してください。"},
    {444, "工房内にファイルがありません。"},
    {446, "履歴を表示可能なTZAファイルではないかTZAファイルではない為、履歴の表示ができません。"},
    {448, "選択されたファイル(%s)は、既に削除されているか他のフォルダに移動されています。"},
    // Encryption batch.
    {450, "隠しファイルと.lnkファイルをリストから取り除きました。"},
    {451, ".lnkファイルは暗号化できないため、リストから取り除きました。"},
    {452, "隠しファイルをリストから取り除きました。"},
    {453, "工房内にファイルが存在しません。"},
    {454, "自己認証鍵が存在しないため、自分で復号できる暗号化ファイルは作成できません。\n自分の公開鍵を認証して、自己認証鍵を作成してください。"},
    {455, "%sが見つかりませんでした。\n"},
    {456, "使用できる公開鍵が存在しないため、暗号化しませんでした。"},
    {457, "暗号化処理中です。しばらくお待ちください。"},
    {458, "暗号化ファイル数が1000個を超えています。このまま暗号化処理を行いますか？"},
    {459, "選択されたフォルダ内に読み取り専用ファイルが存在します。\nこのファイルは暗号化しません。"},
    {460, "選択されたフォルダ内に既に開かれているファイルがあります。\nファイルを閉じてから、このソフトを終了してください。"},
    {461, "継続確認"},
    {462, "次回からこのメッセージを表示しない。"},
    {463, "指定されたフォルダを暗号化中です(%d/%d)・・・"},
    {464, "%d個中%d個目のファイルを暗号化しています。"},
    {465, "%sを暗号化中です....."},
    {466, "は既に暗号化されています。"},
    {467, "は秘密鍵ファイルのため暗号化しません。"},
    {468, "%sは他のプログラムで編集中のため、暗号化しません。"},
    {469, "\n同じ名前のファイルを上書きします。\n暗号化しますか？"},
    {470, "上書き"},
    {471, "はい"},
    {472, "全て上書き"},
    {473, "いいえ"},
    {474, "中止"},
    {475, "%sは読み取り専用ファイルです。\n上書きできません。"},
    {476, "秘密鍵(%s)を開けませんでした。\n秘密鍵が存在しません。"},
    {477, "入力ファイルを開けませんでした。"},
    {478, "出力ファイルを開けませんでした。"},
    {479, "%6.6f ms, %d bytes, %f MBit/Sec"},
    {480, "宛先に暗号化ファイルの作成者が含まれていないため、履歴を記録できません。\n履歴を記録せずに暗号化しますか？"},
    {481, "認証済み公開鍵が見つかりません。\n移動または削除された可能性があります。"},
    {482, "この公開鍵は認証されていません。相手に鍵の認証を依頼してください。"},
    {483, "正しい公開鍵を使用してください。"},
    {484, "CryptAPIエラー: "},
    {485, "暗号化が完了した%d個のファイルを完全削除します。\n削除しますか？"},
    {486, "%sの削除に失敗しました。"},
    {487, "%d個のファイルの暗号化に成功しました。"},
    {488, "設定できる時間は1から99までです。"},
    {489, "現在より後の時刻を指定してください。"},
    {490, "年"},
    {491, "週"},
    {492, "日"},
    {493, "時間"},
    {494, "分"},
    {495, "秒"},
    {496, "暗号化時から有効期限を設定"},
    {497, "初回復号時から有効期限を設定"},
    {498, "復号期限を直接設定"},
    {499, "自分の宛先を追加しない"},
    {500, "履歴を管理する"},
    {501, "暗号化元のファイルを完全削除する"},
    {502, "暗号化したファイルをメールで送信する"},
    {503, "暗号化"},
    {504, "暗号化の詳細設定"},
    {505, "出力フォルダ"},
    {506, "指定しない場合は同じフォルダに保存します。"},
    {507, "フォルダの変更"},
    // Wiping.
    {508, "%sを完全削除中です....."},
    {509, "このファイルを削除します。よろしいですか？"},
    {510, "このファイルは読み取り専用のため削除できません。"},
    {511, "削除"},
    {512, "全て削除"},
    {513, "連続上書き確認ダイアログ"},
    {514, "%sは2GB以上のため暗号化できません。"},
    {515, "全て上書き"},
    {516, "OK"},
    // Mail.
    {569, "TZA-P2P/Tessarin用公開鍵の送信"},
    {570, "鍵のバックアップを送信します"},
    {571, "鍵の修復依頼です"},
    {572, "認証済み公開鍵の送信"},
    {573, "暗号化ファイルを転送します"},
    {574, "TZA-P2P/Tessarinの公開鍵を送ります。\n添付されている鍵を、現在鍵を管理しているフォルダに保存し、TZA-P2P/Tessarinに登録してください。"},
    {577, "TZA-P2P/Tessarinの認証済み公開鍵を送ります。\nTZA-P2P/Tessarinと同じフォルダにこのファイルを保存してください。\nよろしくお願いします。"},
    {578, "以下、ファイルを添付しました。\n"},
    {579, "以下のファイルを転送します。\n"},
    {533, ".TZA履歴情報表示"},
    {610, "%sは、既に認証済み公開鍵として登録されています"},
    {611, "%sは、既に公開鍵として登録されています"},
    // Decryption: an output this run already wrote, and expired containers.
    {624, "%sの復号先%sは、この処理で既に別のTZAファイルから書き出しました。\n上書きしないため、このTZAファイルは復号化せずにそのまま残します。"},
    {625, "有効期限を過ぎています。ファイルを消去できませんでした。"},
    {626, "有効期限を過ぎています。ファイルは消去せずにそのまま残しています。"},
    // History operations.
    {612, "新規作成"},
    {613, "更新"},
    {614, "閲覧"},
    {615, "復号"},
    {616, "不明"},
};

// English: fewer slots than the Japanese table; the others keep their text.
constexpr SlotText kEnglish[] = {
    {2, "Tessarin"},
    {14, "List of candidates for encryption"},
    {15, "Selected candidates for encryption"},
    {16, "Cipher Studio (Selected files)"},
    {21, "Select Files for Encryption/Decryption"},
    {26, "&Encryption\tCtrl+E"},
    {27, "&Decryption\tCtrl+D"},
    {29, "KeyChain List"},
    {36, "Show File Logs"},
    {46, "Create Key"},
    {109, "This Folder has already been selected"},
    {110, "This File has already been selected"},
    {172, "Encryption for oneself"},
    {176, "Encrypted Files Only"},
    {305, "Use Mini size Menu"},
    {401, "[Request to fix Key]"},
    {402, "It's Request to fix Key.\nSend File of restore Private&PublicKey."},
    {444, "No file selected."},
    // Encryption batch.
    {450, "Remove the hidden file and .lnk file."},
    {451, "Because .lnk file can not encrypt,it remove in the list."},
    {452, "Remove the hidden file."},
    {453, "Not exist File in the studio."},
    {454, "Because self-authentication key doesn't exist,not to create encrypted files that can decrypt oneself.\n"
          "After authenticating oneself's public key,create self-authenticate key."},
    {455, "%s was not found.\n"},
    {456, "Not exit available public key. So this file was not encripted."},
    {457, "Encrypt Processing. Please wait a minute."},
    {459, "Read Only File exist in selected folder.\nNot Encrypt This file."},
    {460, "In selected folder,there has already opened file.\nAfter closing file,please finish this soft."},
    {461, "Continues check"},
    {462, "This message is not displayed as follows."},
    {464, "Encrypting a file of %d out of %d."},
    {465, "%s is encrypting....."},
    {466, "has already encrypted."},
    {467, "is PrivateKey File,not to encrypt."},
    {468, "Because %s is edited by another program, not to encrypt."},
    {469, "\nOverwrite for same name file.\nDo you Encrypt?"},
    {470, "Overwrite"},
    {471, "Yes"},
    {472, "Overwrite all"},
    {473, "No"},
    {474, "Stop"},
    {475, "%s is read only file.\nCan't overwrite."},
    {476, "Not open PrivateKey(%s).\nNot Exist PrivateKey."},
    {477, "Input File cannot Open."},
    {478, "Output File cannot Open."},
    {479, "%6.6f ms, %d bytes, %f MBit/Sec"},
    {480, "Because Address don't contain encrypted file creater,cannot record logs.\nDo you encrypt without recording?"},
    {481, "Not found Auth-PublicKey.\nPossible to Move&Delete."},
    {482, "This public key was not authenticated. Need to authenicate Key for your partner."},
    {483, "Please use the right public key."},
    {484, "CryptAPIエラー: "},
    {485, "It tries to delete the file of %d piece encrypted completely. \n Do you delete it ?"},
    {486, "It failed in the deletion of %s. "},
    {487, "%d files succeeded encryption."},
    {488, "The range that can set time is 1 to 99."},
    {489, "Please specify timelimit after this time."},
    {490, "Years"},
    {491, "Weeks"},
    {492, "Days"},
    {493, "Hours"},
    {494, "Minutes"},
    {495, "Seconds"},
    {496, "TimeLimit After Encryption"},
    {497, "TimeLimit After First Decryption"},
    {498, "Direct setting Decryption time limit"},
    {499, "Without Adding My address."},
    {500, "Manage Logs"},
    {501, "The Encryption file is completely deleted."},
    {502, "Send encrypted files by e-mail."},
    {503, "Encryption"},
    {504, "Setting of encryption in details"},
    {505, "Output Folder"},
    {506, "It preserve in the same folder without specifing."},
    {507, "Change Folder"},
    // Decryption: an output this run already wrote, and expired containers.
    {624, "%s decrypts to %s, which this run has already written from another TZA file.\nIt is not overwritten: this TZA file was not decrypted and is kept as it is."},
    {625, "It is over effective time. The file could not be erased."},
    {626, "It is over effective time. The file is not erased and is kept as it is."},
    // Wiping.
    {508, "%s is perfect deleting....."},
    {509, "Delete this file,is this true?"},
    {510, "This file is read only,cannot delete."},
    {511, "Delete"},
    {512, "Delete all"},
    {514, "%s is 2 GB or larger and cannot be encrypted."},
    // Mail.
    {569, "sending a public key for TZA-P2P/Tessarin"},
    {570, "Sending back up key file"},
    {572, "Sending an auth-public key"},
    {573, "Forwarding encrypted files"},
    {574, "I send PublicKey for TZA-P2P/Tessarin.\nPlease resister it TZA-P2P/Tessarin."},
    {577, "I send the Auth-publicKey for TZA-P2P/Tessarin.\nPlease Save this file in the same folder.\n"},
    {578, "Files are attached.\n"},
    {579, "The following files are forwarding.\n"},
};

const std::string kEmpty;

}  // namespace

void LanguageTable::FillJapanese() {
    for (const auto& e : kJapanese) m_slots[static_cast<std::size_t>(e.slot)] = e.text;
    m_language = Language::Japanese;
}

void LanguageTable::FillEnglish() {
    for (const auto& e : kEnglish) m_slots[static_cast<std::size_t>(e.slot)] = e.text;
    m_language = Language::English;
}

const std::string& LanguageTable::Text(int slot) const {
    if (slot < 0 || slot >= kSlotCount) return kEmpty;
    return m_slots[static_cast<std::size_t>(slot)];
}

void LanguageTable::Set(int slot, std::string text) {
    if (slot < 0 || slot >= kSlotCount) return;
    m_slots[static_cast<std::size_t>(slot)] = std::move(text);
}

std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args) {
    std::string out;
    auto next = args.begin();
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out.push_back('%');
            i += 2;
            continue;
        }
        // One conversion: flags, width, precision, length, type.
        std::size_t j = i + 1;
        while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos) ++j;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') ++j;
        if (j < format.size() && format[j] == '.') {
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9') ++j;
        }
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h')) ++j;
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        const char type = format[j];
        std::string spec(format.substr(i, j - i));
        while (!spec.empty() && (spec.back() == 'l' || spec.back() == 'h')) spec.pop_back();
        const FormatArg* arg = next != args.end() ? &*next++ : nullptr;
        char buffer[512];
        int n = 0;
        switch (type) {
            case 's':
                if (arg && std::holds_alternative<std::string>(*arg)) {
                    // Width and precision on strings are rare in the table; keep them working.
                    if (spec == "%") {
                        out += std::get<std::string>(*arg);
                    } else {
                        n = std::snprintf(buffer, sizeof buffer, (spec + "s").c_str(),
                                          std::get<std::string>(*arg).c_str());
                        if (n > 0) out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
                    }
                }
                break;
            case 'd': case 'i': case 'u': case 'x': case 'X':
                if (arg) {
                    long long v = 0;
                    if (std::holds_alternative<long long>(*arg)) v = std::get<long long>(*arg);
                    else if (std::holds_alternative<double>(*arg)) v = static_cast<long long>(std::get<double>(*arg));
                    else break;
                    n = std::snprintf(buffer, sizeof buffer, (spec + "ll" + type).c_str(), v);
                    if (n > 0) out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
                }
                break;
            case 'f': case 'F': case 'g': case 'G': case 'e': case 'E':
                if (arg) {
                    double v = 0;
                    if (std::holds_alternative<double>(*arg)) v = std::get<double>(*arg);
                    else if (std::holds_alternative<long long>(*arg)) v = static_cast<double>(std::get<long long>(*arg));
                    else break;
                    n = std::snprintf(buffer, sizeof buffer, (spec + type).c_str(), v);
                    if (n > 0) out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
                }
                break;
            default:
                out.append(format.substr(i, j - i + 1));
                break;
        }
        i = j + 1;
    }
    return out;
}

}  // namespace tessarin
