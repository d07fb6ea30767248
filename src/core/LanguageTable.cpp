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

// One text per line, so that a slot is found with grep.
// clang-format off
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
    // History operations.
    {612, "新規作成"},
    {613, "更新"},
    {614, "閲覧"},
    {615, "復号"},
    {616, "不明"},
    // Decryption pipeline.
    {541, "復号化処理中です。しばらくお待ちください。"},
    {542, "%d個中%d個目のファイルを復号化しています。"},
    {543, "%sを復号化中です....."},
    {544, "指定されたフォルダを復号化中です(%d/%d)・・・\n鍵の抜き挿しは行わないで下さい。"},
    {545, "CD-ROM内のファイルはTessarinで直接復号化できません。\n復号化の前にTZAファイルをハードディスクに移動してください。"},
    {546, "このTZAファイルは読み取り専用です。\n  復号化の前にTZAファイルの属性を変更してください。"},
    {547, "は暗号化されていません。"},
    {548, "TZAファイルでないかファイルが破損しています。"},
    {549, "このファイルは新しいバージョンのTessarinで作成されています。"},
    {550, "このソフトウェアでは、TZA-P2P Ver1.03で履歴をつけて暗号化されたファイルを復号化することはできません。"},
    {551, "鍵ファイルが見つかりません。\n  復号化の前に鍵セットを生成してください。"},
    {552, "このファイルを復号化する権限がありません。"},
    {553, "復号権限がないTZAファイルの為、転送できません。"},
    {554, "復号権限がないTZAファイルの為、履歴表示ができません。"},
    {555, "なりすましの可能性があるため、処理を中止しました。"},
    {556, "暗号化に使用したPCの時刻を確認してください。"},
    {557, "有効期限を過ぎています。ファイルを削除します。"},
    {558, "\n同じ名前のファイルを上書きします。\n復号化しますか？"},
    {559, "%d個のファイルの復号化に成功しました。"},
    {560, "エラーが発生しました。"},
    {561, "以後、名前を変更せずに復号化する。"},
    {562, "復号化"},
    {563, "復号実施"},
    {564, "復号化に成功しました。\n宛先リストを更新しますか？\n\nユーザ名:%s\nメールアドレス:%s"},
    {565, "%s(%s)の履歴付きの暗号化ファイルです。\nこのファイルの作成者を認証しますか？"},
    {566, "USBメモリが接続されました。復号化しますか？"},
    {567, "自動暗号化・復号化に指定されているフォルダが見つかりませんでした。\nこのまま続けて起動します。"},
    {568, "%sに格納されているファイル名は、ファイル名として使用できません。\nこのファイルは復号化されませんでした。"},
    {580, "復号化したファイルが%s自身を置き換えてしまいます。\nこのファイルは復号化されませんでした。"},
    {581, "%sの書き込みに失敗しました: %s\nこのファイルは復号化されませんでした。"},
    // Key manager, public key authentication and key set creation.
    {47, "上のリストに戻る"},
    {48, "期限未設定"},
    {49, "未使用"},
    {50, "%sが見つかりませんでした。"},
    {51, "登録されていない鍵が%d個発見されました。これらの鍵を登録しますか？"},
    {52, "鍵の登録"},
    {53, "既にこの認証鍵は宛先リストに登録されています。"},
    {54, "%sは%sとして既に宛先リストに登録されています"},
    {55, "%sさんの鍵、\n%s\nを登録しました。"},
    {56, "このファイルは配布可能な鍵（公開鍵）です。\nFerroloへ登録しますか？"},
    {57, "鍵の選択：秘密鍵ファイルを選択してください。"},
    {58, "秘密鍵ファイル(*.vpri)|*.vpri|"},
    {59, "鍵の選択：公開鍵ファイルを選択してください。"},
    {60, "公開鍵ファイル(*.vpub)|*.vpub|"},
    {61, "公開鍵: %s\n秘密鍵: %s\n  に変更しました。"},
    {62, "鍵情報の再設定"},
    {63, "この鍵（%s）の情報を設定します。\nあなたの名前、メールアドレスを入力してください。"},
    {64, "鍵の持ち主："},
    {65, "Eメールアドレス："},
    {66, "まずはじめに「鍵セットの生成」を行う必要があります。\n鍵セットの生成を実施してください"},
    {67, "公開鍵ファイルが見つかりませんでした。"},
    {68, "この公開鍵は過去に既に認証を行っています。再度認証を行いますか？"},
    {69, "認証を行うと既に存在する認証済み公開鍵(%s)は上書きされます。よろしいですか？"},
    {70, "作成されるファイル(%s)は既に存在します。\n上書きしますか？"},
    {71, "設定されている秘密鍵%sが開けませんでした。\n自分の秘密鍵が存在しません。"},
    {72, "相手の公開鍵による暗号化に失敗しました。\n受信した公開鍵が破損していないかご確認ください。"},
    {73, "%sが開けませんでした。\n自分の公開鍵が存在しません。"},
    {74, "%sが開けませんでした。\n認証鍵の生成に失敗しました。"},
    {75, "この公開鍵は現在選択されている鍵ペアのものです。宛先リストに登録されている認証済み公開鍵を更新しますか？"},
    {76, "公開鍵認証 - 認証済公開鍵の期限設定"},
    {77, "ここでは、今から認証する公開鍵に有効期限を設定することができます。\n期限を設定する場合には、下の項目から期限を設定してください。"},
    {78, "認証済み公開鍵に期限を設定しない"},
    {79, "認証済み公開鍵に期限を設定する"},
    {80, "既に定められている期間から選択する"},
    {81, "直接指定する"},
    {82, "１ヶ月間"},
    {83, "１年間"},
    {84, "今年末まで有効"},
    {85, "今年度末まで有効"},
    {86, "今日より過去の日付が設定されています"},
    {87, "認証実施"},
    {88, "キャンセル"},
    {89, "鍵認証完了"},
    {90, "この鍵は相手から送られてきた公開鍵です。"},
    {91, "この鍵はあなたの持っている秘密鍵です。"},
    {92, "この鍵は相手に送るための認証鍵です。\nこの鍵によって相手はあなた宛の暗号化されたファイルを作成する事ができます。\nこの鍵を相手に送ってください。"},
    {93, "鍵の認証が完了しました。\nこの認証鍵をメールで送る場合は「メール送信」をクリックしてください。"},
    {94, "完了(&F)"},
    {95, "メール送信(&S)"},
    {208, "続けて他の公開鍵を認証する"},
    {209, "Tessarin - 期限が切れた認証鍵一覧"},
    {210, "期限の切れた鍵が発見されました。\n"},
    {211, "名前"},
    {212, "鍵ファイル名"},
    {213, "設定期限"},
    {214, "ユーザー情報設定"},
    {215, "Tessarinを利用する、あなたのお名前とメールアドレスを記入してください。"},
    {216, "鍵の持ち主の名前："},
    {217, "Ｅメールアドレス："},
    {218, "名前が未入力です。"},
    {219, "名前にスペース及び、以下の文字は使用できません。\n\n\t\\ / : * ? ' < > )| . \n\n再度入力してください。"},
    {220, "ファイルの暗号化に利用する鍵の作成"},
    {221, "鍵を保管するフォルダ"},
    {222, "公開鍵・秘密鍵を管理するフォルダを選択してください。\n（鍵管理フォルダは、セキュリティ上、リムーバブルディスク等の外部記憶装置にしてください)"},
    {223, "別のTessarinシリーズで使われていた鍵が指定されたフォルダから見つかりました。\n以下の鍵ファイルを利用しますか？\n\n公開鍵ファイル名=%s\n秘密鍵ファイル名=%s\n"},
    {224, "鍵の選択"},
    {225, "鍵が選択されていません。"},
    {226, "公開鍵名"},
    {227, "ファイル名:"},
    {228, " 新しい鍵セット、及び自己認証鍵の生成に成功しました.\n\n"},
    {229, " 忘れずに新しい公開鍵を送信先リストに送ってください.\n"},
    {230, " 公開鍵: %s\n  相手に配布するファイルです。ファイルをやり取りしたい相手に送信してください。"},
    {231, " 秘密鍵: %s\n  自分が持っている鍵ファイルです。誰にも送信しないで自分で管理してください。"},
    {232, " 認証鍵: %s\n  自分専用に暗号化するための鍵ファイルです。"},
    {233, "新しい鍵セットの生成に成功しました。\nこのキーをすぐに送信しますか？"},
    {234, "新しい鍵を生成する"},
    {235, "バックアップ"},
    {236, "閉じる"},
    // Key files and key backup.
    {111, "鍵ファイル名が未入力です。\nファイル名を入力してください"},
    {112, "鍵ファイル名が長すぎます。半角60文字以内にしてください。"},
    {113, "鍵ファイル名に以下の文字は使用できません。\n\n\t\\ / : * ? ' < > | . \n\nファイル名を確認してください"},
    {114, "鍵ファイルがすでに存在しています。別の名前を指定してください。"},
    {115, "鍵ファイル出力に失敗しました。\nファイル名を確認してください"},
    {116, "バックアップする公開鍵と秘密鍵がありません。"},
    {117, "フォルダを選んでください"},
    {118, "鍵の保存に成功しました.\n\n"},
    {119, " %s\n\n"},
    {120, "古い鍵を使用するにはバックアップされたPublic keyファイルとPrivate key"},
    {121, "ファイルをアプリケーションフォルダにコピーしてください.\n"},
    // Service client, its progress run and the account flows.
    {367, "処理を開始します..."},
    {368, "Ferroloへの接続に失敗しました"},
    {369, "メールアドレス及びパスワードに誤りがあります"},
    {370, "システムエラーです"},
    {371, "ネットワークに接続できません。\nネットワークの設定及び、InternetExplorerの設定をご確認ください。"},
    {372, "ネットワークに接続できません - Tessarin"},
    {373, "公開鍵の登録"},
    {374, "公開鍵の取得"},
    {375, "公開鍵暗号化処理中...."},
    {376, "ファイルをアップロード中..."},
    {377, "マイフォルダへアップロード中..."},
    {378, "Ferroloへアカウント確認中..."},
    {379, "鍵の登録状況を確認中..."},
    {380, "鍵の準備中です..."},
    {381, "Ferroloに接続中です..."},
    {382, "Ferroloに鍵を登録中です..."},
    {383, "登録が完了しました"},
    {384, "Ferroloと接続確認中..."},
    {385, "Ferroloへアカウント照合中..."},
    {386, "鍵の情報を確認中です..."},
    {387, "処理中..."},
    {388, "Ferroloに登録してある情報の確認中"},
    {389, "応答を待っています..."},
    {390, "処理中です..."},
    {391, "%sをアップロード中です..."},
    {392, "ファイルを登録しています..."},
    {393, "パスワード又はメールアドレスが正しく入力されていません。"},
    {394, "パスワードが入力されていません。"},
    {395, "処理が中断されました。"},
    {396, "ネットワークに接続できません。"},
    {397, "パスワードが正しくありません。"},
    {398, "Ferroloのサービスサーバに障害が発生しています。\n時間を置いて再度お試しください。"},
    {399, "現在、Tessarinで利用されている公開鍵が最新です。\nこの公開鍵をFerroloへ登録しますか？"},
    {400, "既にこの公開鍵はFerroloに登録されています。"},
    {406, "Ferroloで公開鍵の更新が行われました。\nTessarinでこの公開鍵を利用するためには、再度設定を行う必要があります。\n再設定を行いますか？"},
    {407, "指定されたフォルダが存在しません。再度選択してください"},
    // Public key QR code.
    {130, "これは、FerroloのURLと登録する公開鍵情報(1024bit)です。"},
    {131, "読み取られた公開鍵の長さが短すぎます。"},
    {132, "iアプリから送信された公開鍵をテキストフィールドにコピー＆ペーストしてください"},
    {133, "取り込まれた２次元バーコードが異常です。"},
    {134, "ファイル例外が発生しました"},
    {135, "ファイルオープンエラー"},
    // History view columns.
    {537, "日時"},
    {538, "操作"},
    {539, "ユーザー名"},
    {540, "メールアドレス"},
    // Command-line tool (tza).
    {313, "%sに鍵ペアがありません"},
    {314, "%sに鍵ペアが複数あります: --nameで選んでください"},
    {315, "鍵ペア%sが%sに揃っていません"},
    {316, "使用中の鍵セットがありません: 'tza keygen'を実行するか、--keys DIRを指定してください"},
    {317, "(回答がありません: --yes、--no または --overwrite を指定してください)"},
    {318, "--limit: 選択肢でも日付でもありません: %s"},
    {319, "宛先%sの鍵がありません('tza keys'を参照)"},
    {320, "宛先がありません: --toを指定するか、--without-meを外してください"},
    {321, "--deadline: 日時ではありません: %s"},
    {322, "鍵セットは作成されませんでした"},
    {323, "このコンテナには履歴がありません"},
    {324, "履歴を読み取れません"},
    {325, "ファイル長:"},
    {326, "本体長:"},
    {327, "レコード数:"},
    {328, "フラグ:"},
    {329, "末尾:"},
    {330, "自分のレコード:"},
    {331, "(使用中の鍵セットなし)"},
    {332, "なし(この鍵セット宛てではありません)"},
    {333, "格納名:"},
    {334, "レコードバージョン:"},
    {335, "暗号化日時:"},
    {336, "有効期限:"},
    {293, "%u秒"},
    {294, "(なし)"},
    {295, "(初回復号時から)"},
    {296, "復号回数:"},
    {297, "状態:"},
    {298, "期限切れ"},
    {299, "期限付き"},
    {300, "送信者"},
    {301, "履歴"},
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
    {484, "CryptAPI error: "},
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
    // Decryption pipeline.
    {541, "Decrypt Processing. Please wait a minute."},
    {542, "Decrypting a file of %d out of %d."},
    {543, "%s is decrypting....."},
    {544, "Decrypting the specified folder (%d/%d)...\nDo not remove or insert the key."},
    {545, "Direct encryption of files in CD-ROM is not allowed in Tessarin.\nPlease move a TZA file to a hard disk before decryption.."},
    {546, "This TZA file is a read only.\n  Please change the attribution of the TZA file before decryption."},
    {547, "is not encrypted"},
    {548, "This file type is not TZA file or broken."},
    {549, "This file is created by the new version of Tessarin."},
    {550, "This software cannot decrypt files encrypted with a log by TZA-P2P Ver1.03."},
    {551, "Key file is not found. \n  Please make a key set before decryption."},
    {552, "You are not authorized to decrypt this file."},
    {553, "This file cannot be transferred because the TZA file is not authorized to be decrypted."},
    {554, "The logs cannot be shown because the TZA file is not authorized to be decrypted."},
    {555, "Since there is a possibility of spoofing now, current process is stopped."},
    {556, "Please check the time of the PC used for encryption."},
    {557, "It is over effective time. A file is erased."},
    {558, "\nOverwrite for same name file.\nDo you Decrypt?"},
    {559, "%d Files succeed in decryption."},
    {560, "Happen to Error."},
    {561, "Hereafter,Decrypt without Namechange."},
    {562, "Decrypt"},
    {563, "Decrypt"},
    {564, "Succeed in Decryption.\nDo you renew KeyChainList?\n\nUserName:%s\nMailAddress:%s"},
    {565, "%s(%s)'s log is Encrypted file.\nDo you authenicate this file creater?"},
    {566, "A USB memory has been connected. Decrypt it?"},
    {567, "The folder set for automatic encryption/decryption was not found.\nStarting anyway."},
    {568, "The file name stored in %s cannot be used as a file name.\nThe file was not decrypted."},
    {580, "The decrypted file would replace %s itself.\nThe file was not decrypted."},
    {581, "Writing %s failed: %s\nThe file was not decrypted."},
    // Key manager, public key authentication and key set creation.
    {47, "Back to the list above"},
    {48, "No limit"},
    {49, "Unused"},
    {50, "%s was not found."},
    {51, "%d unregistered keys were found. Register these keys?"},
    {52, "Register Keys"},
    {53, "This auth key is already registered in the KeyChain List."},
    {54, "%s is already registered in the KeyChain List as %s"},
    {55, "The key of %s,\n%s\nhas been registered."},
    {56, "This file is a key that may be handed out (a public key).\nRegister it with Ferrolo?"},
    {57, "Select Key: please choose the private key file."},
    {58, "Private Key File(*.vpri)|*.vpri|"},
    {59, "Select Key: please choose the public key file."},
    {60, "Public Key File(*.vpub)|*.vpub|"},
    {61, "Public key: %s\nPrivate key: %s\n  are now in use."},
    {62, "Key Information"},
    {63, "Set the information of this key (%s).\nPlease enter your name and e-mail address."},
    {64, "Key owner:"},
    {65, "E-mail address:"},
    {66, "First of all, a key set must be created (Create Key).\nPlease create a key set."},
    {67, "The public key file was not found."},
    {68, "This public key has been authenticated before. Authenticate it again?"},
    {69, "Authenticating overwrites the existing auth key (%s). Is this all right?"},
    {70, "The file to be created (%s) already exists.\nOverwrite it?"},
    {71, "The private key in use %s could not be opened.\nYour private key does not exist."},
    {72, "Encryption with the partner's public key failed.\nPlease check that the public key received is not damaged."},
    {73, "%s could not be opened.\nYour public key does not exist."},
    {74, "%s could not be opened.\nThe auth key could not be created."},
    {75, "This public key belongs to the key pair in use. Update the auth keys registered in the KeyChain List?"},
    {76, "Public Key Authentication - Term of Validity"},
    {77, "Here you can set a term of validity for the public key you are about to authenticate.\nTo set one, choose it below."},
    {78, "No term of validity for the auth key"},
    {79, "Set a term of validity for the auth key"},
    {80, "Choose one of the fixed periods"},
    {81, "Pick a date"},
    {82, "1 month"},
    {83, "1 year"},
    {84, "Until the end of this year"},
    {85, "Until the end of this fiscal year"},
    {86, "The date set lies before today"},
    {87, "Authenticate"},
    {88, "Cancel"},
    {89, "Key Authentication Complete"},
    {90, "This is the public key your partner sent you."},
    {91, "This is your own private key."},
    {92, "This is the auth key to send to your partner.\nWith it your partner can make encrypted files addressed to you.\nPlease send this key to your partner."},
    {93, "The key has been authenticated.\nTo send this auth key by mail, click 'Send Mail'."},
    {94, "&Finish"},
    {95, "&Send Mail"},
    {208, "Go on to authenticate another public key"},
    {209, "Tessarin - Expired Auth Keys"},
    {210, "Expired keys were found.\n"},
    {211, "Name"},
    {212, "Key File Name"},
    {213, "Term of Validity"},
    {214, "User Information"},
    {215, "Please enter the name and e-mail address with which you use Tessarin."},
    {216, "Key owner's name:"},
    {217, "E-mail address:"},
    {218, "No name has been entered."},
    {219, "Spaces and the following characters cannot be used in the name.\n\n\t\\ / : * ? ' < > )| . \n\nPlease enter it again."},
    {220, "Creating the Keys for File Encryption"},
    {221, "Folder to keep the keys in"},
    {222, "Please choose the folder that keeps the public and private key.\n(For security, choose an external storage device such as a removable disk.)"},
    {223, "Keys used by another program of the Tessarin series were found in the folder.\nUse the following key files?\n\nPublic key file name=%s\nPrivate key file name=%s\n"},
    {224, "Select Key"},
    {225, "No key has been selected."},
    {226, "Public Key Name"},
    {227, "File name:"},
    {228, " A new key set and self auth key have been created.\n\n"},
    {229, " Do not forget to send the new public key to your partners.\n"},
    {230, " Public key: %s\n  The file to hand out. Send it to the partners you exchange files with."},
    {231, " Private key: %s\n  The key file you keep. Send it to no one and keep it yourself."},
    {232, " Auth key: %s\n  The key file for encrypting for yourself."},
    {233, "A new key set has been created.\nSend this key now?"},
    {234, "Create New Keys"},
    {235, "Backup"},
    {236, "Close"},
    // Key files and key backup.
    {111, "No File Name\nPlease fill in File Name."},
    {112, "The key file name is too long. Please use at most 60 single-byte characters."},
    {113, "The following characters cannot be used in a key file name.\n\n\t\\ / : * ? ' < > | . \n\nPlease check the file name."},
    {114, "The key files already exist. Please give another name."},
    {115, "Writing the key file failed.\nPlease check the file name."},
    {116, "There is no public and private key to back up."},
    {117, "Please choose a folder"},
    {118, "The keys have been saved.\n\n"},
    {119, " %s\n\n"},
    {120, "To use the old keys, copy the backed-up Public key file and Private key"},
    {121, " file into the application folder.\n"},
    // Service client, its progress run and the account flows.
    {367, "Starting..."},
    {368, "Connecting to Ferrolo failed"},
    {369, "The mail address or the password is wrong"},
    {370, "System error"},
    {371, "Cannot connect to the network.\nPlease check the network settings and the InternetExplorer settings."},
    {372, "Cannot connect to the network - Tessarin"},
    {373, "Public Key Registration"},
    {374, "Getting the Public Key"},
    {375, "Encrypting with the public key...."},
    {376, "Uploading files..."},
    {377, "Uploading to My Folder..."},
    {378, "Checking the account with Ferrolo..."},
    {379, "Checking the key registration..."},
    {380, "Preparing the key..."},
    {381, "Connecting to Ferrolo..."},
    {382, "Registering the key with Ferrolo..."},
    {383, "Registration complete"},
    {384, "Checking the connection to Ferrolo..."},
    {385, "Verifying the account with Ferrolo..."},
    {386, "Checking the key information..."},
    {387, "Processing..."},
    {388, "Checking the information registered with Ferrolo"},
    {389, "Waiting for the answer..."},
    {390, "Processing, please wait..."},
    {391, "Uploading %s..."},
    {392, "Registering the files..."},
    {393, "The password or the mail address has not been entered correctly."},
    {394, "No password has been entered."},
    {395, "The operation was interrupted."},
    {396, "Cannot connect to the network."},
    {397, "The password is not correct."},
    {398, "The Ferrolo service server has a fault.\nPlease try again later."},
    {399, "The public key Tessarin uses now is the latest.\nRegister this public key with Ferrolo?"},
    {400, "This public key is already registered with Ferrolo."},
    {406, "The public key was updated on Ferrolo.\nTo use this public key in Tessarin, it must be set up again.\nSet it up again?"},
    {407, "The folder given does not exist. Please choose again"},
    // Public key QR code.
    {130, "This is the URL of Ferrolo and the public key information (1024bit) to register."},
    {131, "The public key read is too short."},
    {132, "Please copy and paste the public key sent from the i-appli into the text field"},
    {133, "The imported 2D barcode is invalid."},
    {134, "A file exception occurred"},
    {135, "File open error"},
    // History view columns.
    {537, "Date"},
    {538, "Operation"},
    {539, "User Name"},
    {540, "Mail Address"},
    // Command-line tool (tza).
    {313, "no key pair in %s"},
    {314, "several key pairs in %s: choose one with --name"},
    {315, "no complete key pair %s in %s"},
    {316, "no key set in use: run 'tza keygen' or give --keys DIR"},
    {317, "(no answer given: use --yes, --no or --overwrite)"},
    {318, "--limit: not a choice or a day: %s"},
    {319, "no key for recipient %s (see 'tza keys')"},
    {320, "no recipient: give --to, or leave out --without-me"},
    {321, "--deadline: not a moment: %s"},
    {322, "no key set was made"},
    {323, "the container carries no history"},
    {324, "the history cannot be read"},
    {325, "file length:"},
    {326, "payload length:"},
    {327, "record count:"},
    {328, "flags:"},
    {329, "tail:"},
    {330, "own record:"},
    {331, "(no key set in use)"},
    {332, "none (not addressed to this key set)"},
    {333, "stored name:"},
    {334, "record version:"},
    {335, "encrypted at:"},
    {336, "time limit:"},
    {293, "%u s"},
    {294, "(none)"},
    {295, "(from first decryption)"},
    {296, "decryptions:"},
    {297, "state:"},
    {298, "expired"},
    {299, "time-limit"},
    {300, "sender"},
    {301, "history"},
    // Slots that had a Japanese text only.
    {154, "The associated application is already running.\nPlease close it and try again."},
    {169, "Key file %s is not a public key usable by TZA-P2P/Tessarin."},
    {261, "The key pair selected now is not valid."},
    {291, "Set User Name of This Public Key."},
    {292, "Set E-mail Address of This Public Key."},
    {610, "%s is already registered as an auth key"},
    {611, "%s is already registered as a public key"},
    {612, "Created"},
    {613, "Updated"},
    {614, "Viewed"},
    {615, "Decrypted"},
    {616, "Unknown"},
};

// clang-format on

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
                        if (n > 0)
                            out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
                    }
                }
                break;
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
                if (arg) {
                    long long v = 0;
                    if (std::holds_alternative<long long>(*arg))
                        v = std::get<long long>(*arg);
                    else if (std::holds_alternative<double>(*arg))
                        v = static_cast<long long>(std::get<double>(*arg));
                    else
                        break;
                    n = std::snprintf(buffer, sizeof buffer, (spec + "ll" + type).c_str(), v);
                    if (n > 0)
                        out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
                }
                break;
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'e':
            case 'E':
                if (arg) {
                    double v = 0;
                    if (std::holds_alternative<double>(*arg))
                        v = std::get<double>(*arg);
                    else if (std::holds_alternative<long long>(*arg))
                        v = static_cast<double>(std::get<long long>(*arg));
                    else
                        break;
                    n = std::snprintf(buffer, sizeof buffer, (spec + type).c_str(), v);
                    if (n > 0)
                        out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
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
