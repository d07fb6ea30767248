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
    {3, "処理中に予期しないエラーが発生しました。\n%s"},
    {4, "処理中です。しばらくお待ちください。"},
    // The main window, the tray icon and the About box.
    {5, "使用できる鍵セットが見つかりませんでした。\n鍵セットを用意するまで、暗号化・復号化など鍵を使う操作は使用できません。"},
    {6, "ファイル(&F)"},
    {7, "鍵(&K)"},
    {8, "ツール(&T)"},
    {9, "言語(&L)"},
    {10, "ヘルプ(&H)"},
    {11, "Authenticate request"},
    {12, "Show QR-Code"},
    {13, "Exit"},
    {17, "暗号化する相手の候補です。選んで「>>>」を押すか、ダブルクリックすると今回の暗号化相手に加わります。"},
    {18, "今回の暗号化の相手です。選んで「<<<」を押すか、ダブルクリックすると候補一覧に戻ります。"},
    {19, "選択した候補を今回の暗号化相手に加えます"},
    {20, "選択した暗号化相手を候補一覧に戻します"},
    {22, "暗号化したファイルをメールに添付します"},
    {23, "暗号化の前に詳細設定を行います"},
    {24, "宛先リストを開きます"},
    {25, "バージョン %s"},
    {42, "バージョン情報"},
    {123, "表示"},
    {124, "メール添付"},
    {125, "詳細設定"},
    {126, ">>>"},
    {127, "<<<"},
    {128, "ファイル暗号化ソフトウェア"},
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
    // The encryption and decryption windows.
    {141, "暗号化するファイルの選択"},
    {142, "暗号化するファイル"},
    {143, "ファイルの追加..."},
    {144, "一覧から外す"},
    {145, "有効期限"},
    {146, "期間"},
    {147, "日付"},
    {148, "時刻(時:分:秒)"},
    {149, "暗号化する相手の選択"},
    {150, "加える"},
    {151, "はずす"},
    {152, "復号化するファイル"},
    {153, "暗号化ファイル(*.tza)|*.tza|全てのファイル(*.*)|*.*||"},
    {158, "出力フォルダ %s が見つかりません。"},
    {159, "オプション"},
    // Service client.
    {353, "Ferroloは公開鍵の登録を受け付けませんでした。"},
    {354, "公開鍵をFerroloに登録できませんでした(%s)。"},
    {355, "登録できませんでした"},
    {356, "Ferroloで作成された鍵を保存しませんでした。\n%sには別の秘密鍵ファイルがあります。"
          "このファイルはそのまま残してあります。"},
    {357, "Ferroloで作成された鍵を%sに書き込めませんでした。"},
    {358, "%sをFerroloへ送信できませんでした(%s)。"},
    {631, "サービスのURLがhttps://で始まらないため、何も送信しませんでした: %s"},
    {632, "Ferroloでファイルの送信を完了できませんでした(%s)。"},
    {633, "応答が空です"},
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
    // Key files and the sender follow-up of a decryption.
    {341, "鍵フォルダには同じ名前の別の鍵ファイル %s が既にあります。\nこの鍵ファイルは登録しませんでした。"},
    {342, "宛先リストを書き込めませんでした。\n鍵ファイル %s は登録されていません。"},
    {343, "鍵ファイル %s を鍵フォルダに移動できませんでした。"},
    {344, "送信者の名前「%s」は鍵ファイル名に使用できないため、送信者の公開鍵は認証しませんでした。"},
    {345, "鍵フォルダには送信者の名前の別の公開鍵 %s が既にあるため、送信者の公開鍵は認証しませんでした。"},
    {346, "送信者 %s の公開鍵は過去に既に認証を行っています。送信者の公開鍵を再度認証しますか？"},
    {347, "送信者 %s の公開鍵から作成される認証済み公開鍵(%s)は既に存在するため、送信者の公開鍵は認証しませんでした。"},
    {348, "(送信者の公開鍵の認証は --authenticate-sender を指定した場合だけ行います: いいえと回答しました)"},
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
    {582, "自身のファイル暗号化用"},
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
    // Key backup shares, repair requests and restoring.
    {408, "バックアップ用の半鍵を送信します。"},
    {409, "修復用の半鍵を送信します。"},
    {410, "ユーザ名:%s メールアドレス:%s 鍵ID:%s"},
    {411, "鍵のバックアップが既に存在します。鍵のバックアップファイルを上書きしますか？"},
    {412, "鍵のバックアップは既に作成されています。\n作成済みのメーカー用の半鍵をメーカーへ送信しますか？"},
    {413, "鍵のバックアップファイルを作成しました。\nメーカー用の半鍵を暗号化してメーカーへ送信しますか？(メールソフト起動)"},
    {414, "鍵のバックアップファイルの生成に失敗しました。"},
    {415, "秘密分散された自己鍵が所定の位置にありません"},
    {416, "鍵のバックアップのうち、お客様用の半鍵をメーカーへ送信します。\n鍵の修復には、メーカーの定める修復の条件が適用されます。\n送信しますか？(メールソフト起動)"},
    {417, "鍵の修復依頼をして公開鍵と秘密鍵の復元を行いますか(メールソフト起動)？"},
    {418, "メールソフトで送信を終えたら、OKを押してください。\n送信用の一時ファイルを完全削除します。"},
    {419, "半鍵から秘密鍵を復元できませんでした。\n2つの半鍵と公開鍵が同じ鍵のものか確認してください。ファイルは書き込まれていません。"},
    {420, "半鍵ファイル%sを読み込めません。"},
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
    {598, "なし"},
    {599, "初回復号時から%d日と%02d時間%02d分%02d秒後"},
    {600, "%d年%02d月%02d日(%s)%02d時%02d分%02d秒"},
    {601, "日曜日"},
    {602, "月曜日"},
    {603, "火曜日"},
    {604, "水曜日"},
    {605, "木曜日"},
    {606, "金曜日"},
    {607, "土曜日"},
    {597, "別の処理を実行中です。終了してから、再度実行してください。"},
    {608, "復号先のフォルダ %s が見つかりません。何も復号化されませんでした。"},
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
    {609, "公開鍵がありません: --public FILE か、--keys DIR と --name を指定してください"},
    // tza: the help and usage texts, one "key<TAB>text" line each.
    {583, "app\tTessarin: ファイルを.tzaコンテナに暗号化し、自分宛てのコンテナを復号化します\n"
          "opt.lang\t表示言語: ja または en (既定はロケールから)\n"
          "opt.yes\tすべての質問に「はい」と答える\n"
          "opt.no\tすべての質問に「いいえ」と答える\n"
          "opt.overwrite\t上書きの質問に答える: all (すべて上書き) または none (上書きしない)\n"
          "opt.verbose\t状況の行を表示する\n"
          "opt.quiet\t進行状況の行を表示しない\n"
          "opt.keys\t使用する鍵セットのフォルダ (既定は設定にあるもの)\n"
          "opt.name\tそのフォルダ内の鍵セット名\n"
          "opt.jobs\t同時に暗号化・復号化するファイルの数(0: コアごとに1つ、1: 1つずつ)\n"
          "opt.json\tテキストの代わりにJSONで出力する\n"
          "opt.help\tこのヘルプを表示して終了する\n"
          "opt.version\tバージョンを表示して終了する\n"
          "label.usage\t使い方\n"
          "label.options\tオプション\n"
          "label.command\tコマンド\n"
          "label.positionals\t引数\n"
          "label.required\t(必須)\n"
          "label.excludes\t同時指定不可\n"
          "label.needs\t必要\n"
          "group.options\tオプション\n"
          "group.commands\tコマンド\n"
          "exit\t終了ステータス: 指定したものがすべて処理できたとき0、いずれかが失敗または拒否されたとき1、使い方の誤りは2。\n"
          "usage.unknown-option\t不明なオプション %s\n"
          "usage.unknown-command\t不明なコマンド %s\n"
          "usage.did-you-mean\t%s のことですか?\n"
          "usage.see-help\t'%s --help' でオプションを確認してください。\n"
          "usage.missing\t%s がありません\n"
          "usage.needs-value\t%s に値がありません\n"
          "usage.unexpected\t余分な引数 %s\n"
          "usage.no-path\t%s は存在しません\n"
          "usage.not-folder\t%s はフォルダではありません\n"
          "usage.not-file\t%s はファイルではありません\n"
          "usage.not-member\t%s: %s は次のどれでもありません: %s\n"
          "usage.not-number\t%s: %s は数値ではありません\n"
          "usage.excludes\t%s と %s は同時に指定できません\n"
          "usage.one-only\t%s は1つのファイルにだけ使えます\n"
          "usage.no-containers\t%s に.tzaファイルがありません"},
    {584, "cmd.keygen\t鍵セットを作成する: 鍵ペア、鍵フォルダ、自己認証鍵\n"
          "keygen.NAME\t鍵の持ち主の名前\n"
          "keygen.EMAIL\t鍵の持ち主のメールアドレス\n"
          "keygen.FOLDER\t鍵ペアのフォルダ (なければ作成)\n"
          "keygen.activate\t質問せずに新しい鍵セットを使用中にする\n"
          "cmd.auth\t相手の公開鍵を認証し、相手に送り返す認証鍵を作る\n"
          "auth.PUBKEY\t相手の公開鍵ファイル、または受け取った認証鍵\n"
          "auth.limit\t有効期限: none、month、year、end-of-year、end-of-fiscal-year または日付 YYYY-MM-DD\n"
          "cmd.add\t相手の公開鍵、または受け取った認証鍵を鍵フォルダに登録する\n"
          "add.KEYFILE\t鍵ファイル (.vpub)\n"
          "add.name\t公開鍵の持ち主の名前 (公開鍵のとき必須)\n"
          "add.email\t公開鍵の持ち主のメールアドレス (公開鍵のとき必須)\n"
          "cmd.keys\t鍵フォルダに登録されている鍵を一覧表示する\n"
          "cmd.whoami\t使用中の鍵セットを表示する: 名前、メールアドレス、フォルダ、指紋\n"
          "cmd.use\t別の鍵セットを使用中にする\n"
          "use.KEYSET\t鍵ペアのフォルダ、または使用中のフォルダ内の鍵セット名\n"
          "cmd.export\t自分の公開鍵ファイル (相手に送るファイル) のパスと指紋を表示する\n"
          "cmd.qr\t自分の公開鍵のQRコードを端末に表示する\n"
          "qr.save\tQRコードの画像をビットマップファイルにも保存する\n"
          "cmd.backup\t秘密鍵を2つのバックアップ片に分け、メーカー用の片の送信を提案する\n"
          "backup.no-send\tバックアップ片を作るだけで、メーカー用の片の送信は提案しない\n"
          "cmd.restore-key\t2つのバックアップ片から秘密鍵ファイルを復元する\n"
          "restore-key.USER_SHARE\t利用者の片 (<名前>_user.vbky)\n"
          "restore-key.MAKER_SHARE\tメーカーの片 (<名前>_mk.vbky)\n"
          "restore-key.OUT\t書き出す秘密鍵ファイル (既存のファイルは置き換えない)\n"
          "restore-key.public\t鍵セットの公開鍵ファイル (既定は使用中の鍵セット)"},
    {585, "cmd.encrypt\tファイルとフォルダを.tzaコンテナに暗号化する\n"
          "encrypt.SOURCE\tファイルまたはフォルダ。- は標準入力を読む\n"
          "encrypt.to\t宛先: 鍵ファイル、登録名またはメールアドレス (複数指定可)\n"
          "encrypt.self\t自分宛てに暗号化する (--to がないときは必須)\n"
          "encrypt.without-me\t自分の鍵を宛先に加えない\n"
          "encrypt.limit\t有効期限: --unit 単位で1から99の値\n"
          "encrypt.unit\tyears、weeks、days、hours、minutes または seconds\n"
          "encrypt.deadline\t有効期限を日時で指定: \"YYYY-MM-DD HH:MM[:SS]\"\n"
          "encrypt.from-first-decryption\t有効期限を初回復号時から数える (既定は暗号化時から)\n"
          "encrypt.logs\t履歴を管理する: コンテナに履歴を付ける\n"
          "encrypt.output\t出力フォルダ (既定は各ファイルの隣)。- はコンテナを標準出力に書く\n"
          "encrypt.wipe\tコンテナの完成後に元のファイルを完全削除する\n"
          "encrypt.mail\tコンテナをこのアドレス宛てにメールソフトに渡す\n"
          "encrypt.name\t標準入力を暗号化するとき、コンテナに格納するファイル名\n"
          "cmd.decrypt\t自分宛ての.tzaコンテナを復号化する\n"
          "decrypt.FILE\tコンテナ、または.tzaファイルを復号化するフォルダ\n"
          "decrypt.output\t復号化したファイルのフォルダ (既定は各コンテナの隣)\n"
          "decrypt.recursive\t指定したフォルダのサブフォルダにあるコンテナも復号化する\n"
          "decrypt.stdout\t復号化したファイルを標準出力に書く (コンテナ1つ)\n"
          "decrypt.keep-name\t名前を変えずに復号化する: 出力にコンテナの名前を付ける\n"
          "decrypt.remove\t復号化したコンテナを完全削除する\n"
          "decrypt.authenticate-sender\t不明な送信者の公開鍵を認証するかの質問に「はい」と答える (--yes は答えない)\n"
          "cmd.info\tコンテナの末尾とレコードの内容を表示する\n"
          "info.FILE\t.tzaコンテナ\n"
          "cmd.history\tコンテナの履歴を表示する\n"
          "cmd.wipe\tファイルを10回上書きして削除する\n"
          "wipe.FILE\t完全削除するファイル"},
    {586, "[y(はい)/n(いいえ)]"},
    {587, "y yes はい"},
    {588, "n no いいえ"},
    {589, "[1-4の番号]"},
    {590, "使用中の鍵セットは%s (%s) です。今後は新しい鍵セット%sを使用しますか？"},
    {591, "使用中の鍵セットは%sのままです。新しい鍵セットに切り替えるには 'tza use %s' を実行してください。"},
    {592, "警告: 宛先%sの鍵%sは認証されていません"},
    {593, "宛先がありません: --to で宛先を指定するか、自分宛てだけに暗号化するときは --self を指定してください"},
    {594, "%s / %s  %s/秒  残り%s"},
    {595, "名前\tメールアドレス\t鍵ファイル\t更新日時\t有効期限\t最終使用日"},
    {596, "標準入力を暗号化するには --name (コンテナに格納するファイル名) が必要です"},
    {627, "名前:"},
    {628, "メールアドレス:"},
    {629, "フォルダ:"},
    {630, "指紋:"},
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
    // Advertisement viewer.
    {359, "Tessarin"},
    {360, "表示準備中です..."},
    {361, "閉じる"},
    {362, "バージョン情報 Tessarin_CM(&A)..."},
    {363, "バージョン情報 Tessarin_CM"},
    {364, "Tessarin_CM Version 1.0"},
    {365, "OK"},
    {366, "メニュー"},
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
    // Refusals of the encryption batch, history saving and wiping.
    {617, "%sはこの処理ですでに書き出したファイルのため、上書きしません。元のファイルは残します。"},
    {618, "%sの履歴を保存できませんでした(%s)。ファイルは履歴を追加する前の状態のままです。"},
    {619, "%sはシンボリックリンクのため、完全削除しません。リンク先のファイルにも触れません。"},
    {620, "%sは通常のファイルではないため、完全削除できません。"},
    {621, "%sは読み込み専用のファイルシステム上にあるため、完全削除できません。"},
    {622, "%sを完全削除できませんでした(%s)。"},
    {623, "%sの暗号化ファイルをディスクに書き込めなかったため、元のファイルは削除しません。"},
    {421, "公開鍵2次元バーコード表示"},
    {422, "公開鍵を登録(&R)"},
    {423, "保存(&S)"},
    {424, "コピー(&C)"},
    {425, "閉じる(&X)"},
    {426, "左の2次元バーコードが、あなたの配布可能な鍵(公開鍵)です。\n\n左の2次元バーコードを携帯電話等のカメラから読みとり、公開鍵登録センター(Ferrolo)に公開鍵を登録することにより、Web上で暗号化ファイルの作成、暗号化ファイルの送受信が可能になります。"},
    {427, "ビットマップ(*.bmp)|*.bmp|"},
    {428, "２次元バーコード処理機能"},
    {429, "２次元バーコードを使って、公開鍵の送信や公開鍵の認証を行うことができます。"},
    {430, "現在選択されている公開鍵の２次元バーコードを生成します。"},
    {431, "読み取った２次元バーコード情報を公開鍵化します。"},
    {432, "２次元バーコード生成完了"},
    {433, "公開鍵から２次元バーコードを生成しました。"},
    {434, "ファイルに保存(&S)"},
    {435, "クリップボードにコピー"},
    {438, "２次元バーコード読み取り結果からの公開鍵生成"},
    {439, "２次元バーコード読み取り結果から公開鍵を生成します。\n下のテキストフィールドにメールで受信した２次元バーコードの読み取り結果を貼り付けてください。"},
    {440, "公開鍵生成"},
    {445, "公開鍵ファイル %s を作成しました。"},
    {30, "メールソフトが起動しない場合は、次のファイルをメールに添付して %s へ送ってください。\n%s\n件名: %s"},
    {99, "利用者用の半鍵:"},
    {100, "メーカー用の半鍵:"},
    {101, "公開鍵:"},
    {106, "復元する秘密鍵:"},
    {107, "参照..."},
    {108, "秘密鍵を復元しました。\n%s"},
    {403, "E-mail"},
    {404, "半鍵からの秘密鍵の復元"},
    {447, "鍵の修復依頼"},
    {449, "メールソフトが起動しない場合"},
    {517, "Read meを表示します"},
    {518, "公開鍵をFerroloへ登録"},
    {575, "Ferroloに登録する公開鍵の情報を設定してください："},
    {576, "名前"},
    {155, "既に起動されています。"},
    {156, "Tessarin System Error!! \n\nShell extension dll error."},
    {170, "Tessarin System Error!! \n\nClip board API error."},
    {171, "Tessarin System Error!! \n\nUnexpected circumstances error."},
    {175, "Error"},
    {184, "CMビューアが存在しません。"},
    // The work area and the small main window.
    {237, "デスクトップ"},
    {238, "リムーバブルディスクドライブ"},
    {239, "ハードディスクドライブ"},
    {240, "DVD/CD-ROMドライブ"},
    {241, "RAMドライブ"},
    {242, "マイドキュメント"},
    {243, "ネットワークドライブ"},
    {244, ">>"},
    {245, "<<"},
    {246, "<<<"},
    {247, "一つ上のフォルダへ"},
    {267, "次のパス名には表示できない文字が含まれているため、扱いませんでした。\n%s"},
    {268, "フォルダ(%s)を開けませんでした。アクセス権を確認してください。"},
    {269, "設定"},
    {270, "ファイルを選択"},
    {271, "複数のファイルを選択"},
    {287, "最大化"},
    {288, "公開鍵をFerroloに登録"},
    {289, "Tessarinホームページ"},
    {290, "サポート"},
    {136, "よくある質問"},
    {137, "暗号化・復号化するファイルやフォルダをここにドロップしてください"},
    {138, "全てのファイル(*.*)|*.*||"},
    {272, "暗号化の相手となる認証済みの公開鍵が登録されていません。\n先に相手の公開鍵を認証して宛先リストに登録してください。"},
};

// English: fewer slots than the Japanese table; the others keep their text.
constexpr SlotText kEnglish[] = {
    {2, "Tessarin"},
    {3, "An unexpected error occurred.\n%s"},
    {4, "Processing. Please wait."},
    // The main window, the tray icon and the About box.
    {5, "No usable key set was found.\nEncryption, decryption and the other commands that use keys are unavailable "
        "until a key set is set up."},
    {6, "&File"},
    {7, "&Keys"},
    {8, "&Tools"},
    {9, "&Language"},
    {10, "&Help"},
    {11, "Authenticate request"},
    {12, "Show QR-Code"},
    {13, "Exit"},
    {17, "Candidates for encryption. Select them and press \">>>\", or double-click one, to add them to the "
         "selected candidates."},
    {18, "Recipients of the next encryption. Select them and press \"<<<\", or double-click one, to return them to "
         "the candidates."},
    {19, "Add the selected candidates to the recipients"},
    {20, "Return the selected recipients to the candidates"},
    {22, "Attach the encrypted files to a mail"},
    {23, "Set the encryption details before encrypting"},
    {24, "Open the KeyChain List"},
    {25, "Version %s"},
    {42, "About Tessarin"},
    {123, "Show"},
    {124, "Attach to mail"},
    {125, "Detail settings"},
    {126, ">>>"},
    {127, "<<<"},
    {128, "File encryption software"},
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
    // Service client.
    {353, "Ferrolo did not accept the registration of the public key."},
    {354, "The public key could not be registered with Ferrolo (%s)."},
    {355, "Registration failed"},
    {356, "The key made by Ferrolo was not saved.\n%s holds a different private key file, which was left as it is."},
    {357, "The key made by Ferrolo could not be written to %s."},
    {358, "%s could not be sent to Ferrolo (%s)."},
    {631, "Nothing was sent: the service URL does not begin with https://: %s"},
    {632, "Ferrolo could not complete sending the files (%s)."},
    {633, "empty answer"},
    {172, "Encryption for oneself"},
    {176, "Encrypted Files Only"},
    {305, "Use Mini size Menu"},
    // Key files and the sender follow-up of a decryption.
    {341, "A different key file named %s is already in the key folder.\nThis key file was not registered."},
    {342, "The address list could not be written.\nThe key file %s was not registered."},
    {343, "The key file %s could not be moved into the key folder."},
    {344,
     "The sender's name \"%s\" cannot be used as a key file name, so the sender's public key was not authenticated."},
    {345,
     "A different public key %s is already in the key folder under the sender's name, so the sender's public key was "
     "not authenticated."},
    {346,
     "The public key of the sender %s has already been authenticated. Authenticate the sender's public key again?"},
    {347, "The public key of the sender %s was not authenticated: its authenticated public key (%s) already exists."},
    {348, "(answered No: the sender's public key is authenticated only with --authenticate-sender)"},
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
    {582, "For encrypting my own files"},
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
    // Key backup shares, repair requests and restoring.
    {408, "I send the half key for backup."},
    {409, "I send the half key for repair."},
    {410, "User name: %s Mail address: %s Key ID: %s"},
    {411, "A key backup already exists. Overwrite the key backup files?"},
    {412, "The key backup has already been made.\nSend its half key for the maker to the maker?"},
    {413, "The key backup files have been made.\nEncrypt the half key for the maker and send it to the maker? (starts the mail program)"},
    {414, "Making the key backup files failed."},
    {415, "The secret-shared key of your own is not in its place."},
    {416, "Your half key of the key backup will be sent to the maker.\nThe maker's terms for key repair apply.\nSend it? (starts the mail program)"},
    {417, "Request a key repair to restore the public and private keys (starts the mail program)?"},
    {418, "Press OK once the mail program has sent the message.\nThe temporary file made for sending is then wiped."},
    {419, "The private key could not be restored from the half keys.\nCheck that both half keys and the public key belong to the same key. No file was written."},
    {420, "The half key file %s cannot be read."},
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
    {598, "None"},
    {599, "%d days and %02d:%02d:%02d after the first decryption"},
    {600, "%04d-%02d-%02d (%s) %02d:%02d:%02d"},
    {601, "Sunday"},
    {602, "Monday"},
    {603, "Tuesday"},
    {604, "Wednesday"},
    {605, "Thursday"},
    {606, "Friday"},
    {607, "Saturday"},
    {597, "Another job is running. Try again when it has finished."},
    {608, "The output folder %s does not exist. Nothing was decrypted."},
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
    {609, "no public key: give --public FILE, or --keys DIR with --name"},
    // tza: the help and usage texts, one "key<TAB>text" line each.
    {583, "app\tTessarin: encrypt files into .tza containers and decrypt the ones addressed to you\n"
          "opt.lang\tInterface language: ja or en (default from the locale)\n"
          "opt.yes\tAnswer Yes to every question\n"
          "opt.no\tAnswer No to every question\n"
          "opt.overwrite\tAnswer the overwrite questions: all (overwrite) or none (keep)\n"
          "opt.verbose\tShow status lines\n"
          "opt.quiet\tShow no progress line\n"
          "opt.keys\tFolder holding the key set to use (default: the one the settings name)\n"
          "opt.name\tKey set name in that folder\n"
          "opt.jobs\tFiles encrypted or decrypted at once (0: one per core, 1: one at a time)\n"
          "opt.json\tPrint JSON instead of text\n"
          "opt.help\tShow this help and exit\n"
          "opt.version\tShow the version and exit\n"
          "label.usage\tUsage\n"
          "label.options\tOPTIONS\n"
          "label.command\tCOMMAND\n"
          "label.positionals\tArguments\n"
          "label.required\t(required)\n"
          "label.excludes\tExcludes\n"
          "label.needs\tNeeds\n"
          "group.options\tOptions\n"
          "group.commands\tCommands\n"
          "exit\tExit status: 0 when everything asked for was done, 1 when any item failed or was refused, 2 for usage errors.\n"
          "usage.unknown-option\tunknown option %s\n"
          "usage.unknown-command\tunknown command %s\n"
          "usage.did-you-mean\tdid you mean %s?\n"
          "usage.see-help\t'%s --help' lists the options.\n"
          "usage.missing\t%s is missing\n"
          "usage.needs-value\t%s needs a value\n"
          "usage.unexpected\tunexpected argument %s\n"
          "usage.no-path\t%s does not exist\n"
          "usage.not-folder\t%s is not a folder\n"
          "usage.not-file\t%s is not a file\n"
          "usage.not-member\t%s: %s is not one of: %s\n"
          "usage.not-number\t%s: %s is not a number\n"
          "usage.excludes\t%s and %s cannot be given together\n"
          "usage.one-only\t%s takes one file only\n"
          "usage.no-containers\t%s holds no .tza files"},
    {584, "cmd.keygen\tMake a key set: key pair, key folder and self auth key\n"
          "keygen.NAME\tThe key owner's name\n"
          "keygen.EMAIL\tThe key owner's e-mail address\n"
          "keygen.FOLDER\tThe key pair folder (made when missing)\n"
          "keygen.activate\tMake the new key set the one in use without asking\n"
          "cmd.auth\tAuthenticate a partner's public key, making the auth key to send back\n"
          "auth.PUBKEY\tThe partner's public key file, or an auth key received\n"
          "auth.limit\tValidity: none, month, year, end-of-year, end-of-fiscal-year or a day YYYY-MM-DD\n"
          "cmd.add\tRegister a partner's public key or a received auth key in the key folder\n"
          "add.KEYFILE\tKey files (.vpub)\n"
          "add.name\tThe owner's name (needed for a plain public key)\n"
          "add.email\tThe owner's e-mail address (needed for a plain public key)\n"
          "cmd.keys\tList the keys registered in the key folder\n"
          "cmd.whoami\tShow the key set in use: name, e-mail address, folder and fingerprint\n"
          "cmd.use\tMake another key set the one in use\n"
          "use.KEYSET\tA key pair folder, or a key set name in the folder in use\n"
          "cmd.export\tPrint the own public key file (the file to send to partners) and its fingerprint\n"
          "cmd.qr\tShow the own public key's QR code in the terminal\n"
          "qr.save\tAlso save the QR picture as a bitmap file\n"
          "cmd.backup\tSplit the private key into the two backup shares and offer to mail the maker's share\n"
          "backup.no-send\tOnly make the shares: the maker's share is not offered for sending\n"
          "cmd.restore-key\tRebuild a private key file from the two backup shares\n"
          "restore-key.USER_SHARE\tThe user's share (<name>_user.vbky)\n"
          "restore-key.MAKER_SHARE\tThe maker's share (<name>_mk.vbky)\n"
          "restore-key.OUT\tThe private key file to write; never replaced\n"
          "restore-key.public\tThe key set's public key file (default: the key set in use)"},
    {585, "cmd.encrypt\tEncrypt files and folders into .tza containers\n"
          "encrypt.SOURCE\tFiles or folders; - reads standard input\n"
          "encrypt.to\tA recipient: key file, registered name or e-mail address (repeatable)\n"
          "encrypt.self\tEncrypt for yourself (needed when no --to is given)\n"
          "encrypt.without-me\tWithout Adding My address: leave the own key out\n"
          "encrypt.limit\tTime limit: a value from 1 to 99 in --unit\n"
          "encrypt.unit\tyears, weeks, days, hours, minutes or seconds\n"
          "encrypt.deadline\tTime limit as a moment: \"YYYY-MM-DD HH:MM[:SS]\"\n"
          "encrypt.from-first-decryption\tCount the time limit from the first decryption (default: from encryption)\n"
          "encrypt.logs\tManage Logs: the container carries a history\n"
          "encrypt.output\tOutput folder (default: beside each source); - writes the container to standard output\n"
          "encrypt.wipe\tWipe each source once its container is complete\n"
          "encrypt.mail\tHand the containers to the mail program, addressed to this address\n"
          "encrypt.name\tThe file name stored in the container when reading standard input\n"
          "cmd.decrypt\tDecrypt .tza containers addressed to you\n"
          "decrypt.FILE\tContainers, or folders whose .tza files are decrypted\n"
          "decrypt.output\tFolder for the decrypted files (default: beside each container)\n"
          "decrypt.recursive\tAlso decrypt the containers in subfolders of the folders given\n"
          "decrypt.stdout\tWrite the decrypted file to standard output (one container)\n"
          "decrypt.keep-name\tHereafter,Decrypt without Namechange.: name outputs after the container\n"
          "decrypt.remove\tWipe each container once it is decrypted\n"
          "decrypt.authenticate-sender\tAnswer Yes when asked to authenticate an unknown sender's public key (--yes never does)\n"
          "cmd.info\tShow what a container's tail and records say\n"
          "info.FILE\tA .tza container\n"
          "cmd.history\tShow the history a container carries\n"
          "cmd.wipe\tOverwrite files ten times and delete them\n"
          "wipe.FILE\tFiles to wipe"},
    {586, "[y/n]"},
    {587, "y yes"},
    {588, "n no"},
    {589, "[1-4]"},
    {590, "The key set in use is %s (%s). Use the new key set %s from now on?"},
    {591, "The key set in use stays %s; 'tza use %s' switches to the new one."},
    {592, "warning: the key for %s (%s) is not authenticated"},
    {593, "no recipient given: name recipients with --to, or give --self to encrypt for yourself only"},
    {594, "%s of %s  %s/s  %s left"},
    {595, "Name\tE-mail\tKey file\tUpdated\tValid until\tLast used"},
    {596, "reading standard input needs --name: the file name to store in the container"},
    {627, "name:"},
    {628, "e-mail:"},
    {629, "folder:"},
    {630, "fingerprint:"},
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
    {31, "Public Key Authentication"},
    {35, "Forward File"},
    {38, "Japanese"},
    {41, "Contents"},
    {43, "Key Backup"},
    {98, "This file is the private key Tessarin uses for encryption.\nDo not pass it on to anyone."},
    {102, "The path name is too long.\nPlease shorten the file name and path name."},
    {129, "The public/private key pair set last time was not found.\nIf you moved the key folder, choose 'Yes' and give the folder's new place."},
    {140, "No recipient for encryption has been set."},
    // The encryption and decryption windows.
    {141, "Select Files to Encrypt"},
    {142, "Files to encrypt"},
    {143, "Add Files..."},
    {144, "Remove from List"},
    {145, "Term of validity"},
    {146, "Period"},
    {147, "Date"},
    {148, "Time (h:m:s)"},
    {149, "Select Partners for Encryption"},
    {150, "Add"},
    {151, "Remove"},
    {152, "Files to decrypt"},
    {153, "Encrypted Files(*.tza)|*.tza|All Files(*.*)|*.*||"},
    {158, "The output folder %s does not exist."},
    {159, "Options"},
    {173, "Decryption"},
    {174, "Delete"},
    {186, "Change Folder"},
    {189, "The public key selected now is %s."},
    {190, "Public Key"},
    {192, "Please select a public key."},
    {193, "Own Public Key"},
    {194, "The address of %s and the keys needed to encrypt for %s will be deleted.\nAre you sure?"},
    {195, "Only one public key can be selected."},
    {196, "(for oneself)"},
    {197, "Delete the folder '%s' and all addresses in it?"},
    {198, "The public key for Vorneloft cannot be deleted."},
    {199, "This is your own public key, so it cannot be registered"},
    {200, "The information of the public key for Vorneloft cannot be changed."},
    {201, "This folder name cannot be used."},
    {202, "The public key for Vorneloft cannot be moved"},
    {255, "Please select the items to delete."},
    {258, "This auth key cannot be registered in the KeyChain List."},
    {273, "No partner for encryption has been selected"},
    {285, "Please choose a folder below the folder of the application"},
    {286, "The target is the same folder as the source, so it cannot be moved"},
    {308, "The folder set as the destination of encrypted files does not exist."},
    {309, "The folder set for automatic encryption/decryption does not exist."},
    {311, "The folder or drive holding the key files was not found,\nso the change of user name and mail address is not applied."},
    {312, "The folder selected contains the folder holding the keys\nor is a network drive, so it cannot be selected."},
    {337, "Please do not set a network drive as the folder."},
    {338, "A drive cannot be selected directly"},
    {340, "%s cannot be chosen: encrypting it could harm the system"},
    {436, "This TZA file has no log to show."},
    {437, "This TZA file has no log, so its addresses cannot be taken."},
    {441, "No address has been set. Please choose an address."},
    {446, "The logs cannot be shown: this is not a TZA file with logs, or not a TZA file."},
    {448, "The selected file (%s) has been deleted or moved to another folder."},
    {513, "Overwrite Confirmation"},
    {515, "Overwrite all"},
    {533, ".TZA Log Information"},
    {571, "It's Request to fix Key."},
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
    // Mail.
    {569, "sending a public key for TZA-P2P/Tessarin"},
    {570, "Sending back up key file"},
    {572, "Sending an auth-public key"},
    {573, "Forwarding encrypted files"},
    {574, "I send PublicKey for TZA-P2P/Tessarin.\nPlease resister it TZA-P2P/Tessarin."},
    {577, "I send the Auth-publicKey for TZA-P2P/Tessarin.\nPlease Save this file in the same folder.\n"},
    {578, "Files are attached.\n"},
    {579, "The following files are forwarding.\n"},
    // Refusals of the encryption batch, history saving and wiping.
    {617, "%s was already written earlier in this run and is not overwritten. Its source is kept."},
    {618, "The history of %s could not be saved (%s). The file is as it was before the history was added."},
    {619, "%s is a symbolic link and is not wiped. The file it points to is left alone."},
    {620, "%s is not a regular file and cannot be wiped."},
    {621, "%s is on a read-only file system and cannot be wiped."},
    {622, "%s could not be wiped (%s)."},
    {623, "The container of %s could not be brought to the disk, so its source is not deleted."},
    // Advertisement viewer.
    {359, "Tessarin"},
    {360, "Preparing the display..."},
    {361, "Close"},
    {362, "&About Tessarin_CM..."},
    {363, "About Tessarin_CM"},
    {364, "Tessarin_CM Version 1.0"},
    {365, "OK"},
    {366, "Menu"},
    {421, "Public Key QR Code"},
    {422, "&Register Public Key"},
    {423, "&Save"},
    {424, "&Copy"},
    {425, "&Close"},
    {426, "The QR code on the left is your key for handing out (your public key).\n\nRead it with the camera of a mobile phone and register the public key with the public key registration center (Ferrolo); you can then create encrypted files and send and receive them on the Web."},
    {427, "Bitmap(*.bmp)|*.bmp|"},
    {428, "QR Code Functions"},
    {429, "With QR codes you can send your public key and authenticate public keys."},
    {430, "Create the QR code of the public key now selected."},
    {431, "Make a public key from a QR code that was read."},
    {432, "QR Code generation Complete"},
    {433, "Create QR code from Public Key."},
    {434, "Save(&s)"},
    {435, "Copy to Clipboard"},
    {438, "Public Key from a QR Code Reading"},
    {439, "Makes a public key from the result of reading a QR code.\nPaste the reading result you received by mail into the text field below."},
    {440, "Create Public Key"},
    {445, "The public key file %s was created."},
    {30, "If the mail program does not start, attach this file to a mail to %s:\n%s\nSubject: %s"},
    {99, "Your half key:"},
    {100, "The maker's half key:"},
    {101, "Public key:"},
    {106, "Private key to restore:"},
    {107, "Browse..."},
    {108, "The private key has been restored.\n%s"},
    {403, "E-mail"},
    {404, "Restore the Private Key from the Half Keys"},
    {447, "Key Repair Request"},
    {449, "If the mail program does not start"},
    {517, "Showing the Read me"},
    {518, "Register Public Key With Ferrolo"},
    {575, "Set the information of the public key to register with Ferrolo:"},
    {576, "Name"},
    {155, "Tessarin is already running."},
    {184, "The CM viewer is missing."},
    // The work area and the small main window.
    {237, "Desktop"},
    {238, "Removable Disk Drive"},
    {239, "Hard Disk Drive"},
    {240, "DVD/CD-ROM Drive"},
    {241, "RAM Drive"},
    {242, "My Documents"},
    {243, "Network Drive"},
    {244, ">>"},
    {245, "<<"},
    {246, "<<<"},
    {247, "Up One Folder"},
    {267, "The following path names contain characters that cannot be shown, so they were left out.\n%s"},
    {268, "The folder (%s) could not be opened. Please check its permissions."},
    {269, "Settings"},
    {270, "Choose a File"},
    {271, "Choose Files"},
    {287, "Maximize"},
    {288, "Register Public Key with Ferrolo"},
    {289, "Tessarin Home Page"},
    {290, "Support"},
    {136, "FAQ"},
    {137, "Drop files or folders here to encrypt or decrypt them"},
    {138, "All Files(*.*)|*.*||"},
    {272, "No authenticated public key of a partner is registered.\nAuthenticate your partners' public keys and register them in the KeyChain List first."},
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
