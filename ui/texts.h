#pragma once

// Every text the user sees, in one place. The source is UTF-8; lines inside a message are
// separated by CR LF. "　" is the ideographic space U+3000, "×" the multiplication sign U+00D7,
// "？" the full-width question mark U+FF1F.

#include <array>
#include <string_view>
#include <utility>

namespace rotopal::texts {

// Caption of every message box.
inline constexpr std::string_view kMessageCaption = "Rotopal";

// Main window caption: the product name, then "-" and the open file's path.
inline constexpr std::string_view kMainCaption = "ロトパル";
inline constexpr std::string_view kMainCaptionPrefix = "ロトパル-";
// Preview window caption: "[Preview]-Rotopal".
inline constexpr std::string_view kPreviewCaption = "【プレビュー】-ロトパル";

// Buttons: Open, Preview, Save, Reset, Exit.
inline constexpr std::string_view kOpenButton = "開く(&O)";
inline constexpr std::string_view kPreviewButton = "プレビュー(&P)";
inline constexpr std::string_view kSaveButton = "保存(&S)";
inline constexpr std::string_view kResetButton = "リセット(&R)";
inline constexpr std::string_view kExitButton = "終了(&E)";

// Palette window's menu: choose a colour, exchange colours.
inline constexpr std::string_view kColorChoiceItem = "色選択(&C)";
inline constexpr std::string_view kColorSwapItem = "入れ替え(&S)";
// Save menu: start-up screen (animation possible), shut-down screen (Windows 95 only),
// the "ready to switch off" screen, any place and format.
inline constexpr std::string_view kSaveStartupItem = "起動画面（アニメ付加可）";
inline constexpr std::string_view kSaveShutdownItem = "終了画面（Win９５のみ）";
inline constexpr std::string_view kSaveSwitchOffItem = "電源を切る準備が出来ました画面";
inline constexpr std::string_view kSaveAnyItem = "任意の場所、形式";

// Rejections of a file: not valid / wrong file or damaged; not an 8-bit bitmap / choose an
// 8-bit bitmap; wrong size / make it 320×400.
inline constexpr std::string_view kNotBitmapMessage =
    "ファイルが正しくありません\r\nファイルが違うか、壊れています";
inline constexpr std::string_view kNotEightBitMessage =
    "8bitビットマップではありません\r\n8bitのビットマップを指定してください";
inline constexpr std::string_view kWrongSizeMessage =
    "サイズが正しくありません\r\n320×400のサイズにしてください";

// The colour-count question, after the count C: "is a C-colour bitmap. / Unless it is a
// 256-colour bitmap it will not show correctly. / Convert it to 256 colours anyway?"
inline constexpr std::string_view kColourCountQuestionTail =
    "色ビットマップです。\r\n256色ビットマップでないと正常に表示されません。\r\n"
    "強制的に256色ビットマップに変換しますか？";
// Making a screen from a picture. In the status line while it runs: "Making a start-up screen
// from the picture... {percent}%".
inline constexpr std::string_view kImportProgress = "画像から起動画面を作成しています…{percent}%";
// It failed: "Could not make a start-up screen from the picture." (then the picture's path and
// the reason, a line each, and the decoder's own English words where it gave any).
inline constexpr std::string_view kImportFailedMessage = "画像から起動画面を作成できませんでした。";
// The program that reads pictures (rotopal-decode) cannot be started.
inline constexpr std::string_view kImportReasonHelperMissing =
    "画像を読み込むプログラムを起動できません。";
// The picture file cannot be opened (then why, as for a failed save).
inline constexpr std::string_view kImportReasonCannotOpen = "画像ファイルを開けません。";
// It is a folder, a device or a pipe, not a file.
inline constexpr std::string_view kImportReasonNotRegularFile = "通常のファイルではありません。";
// The picture file is empty.
inline constexpr std::string_view kImportReasonEmpty = "画像ファイルが空です。";
// Not a kind of picture this program reads (the kinds it reads).
inline constexpr std::string_view kImportReasonUnknownFormat =
    "この形式の画像には対応していません（PNG、JPEG、GIF、WebP、TIFF、HEIF、BMPに対応）。";
// Too large: "The picture is {width}×{height} pixels; pictures are read up to {megapixels}
// megapixels and {side} pixels on a side."
inline constexpr std::string_view kImportReasonTooManyPixels =
    "画像が大きすぎます（{width}×{height}ピクセル）。{megapixels}メガピクセル、"
    "一辺{side}ピクセルまで読み込めます。";
// The picture is damaged and cannot be read.
// The import's words for known damage, as the window tells them.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kDamageInJapanese{{
    {"the colour profile cannot be read and is left out",
     "カラープロファイルを読み取れないため、使わずに読み込みました。"},
    {"the JPEG has 12 or 16 bits a sample, which this program does not read",
     "12ビットまたは16ビットのJPEGは読み込めません。"},
    {"the JPEG is lossless or hierarchical, which this program does not read",
     "ロスレスまたは階層型のJPEGは読み込めません。"},
    {"the JPEG data ends early", "JPEG のデータが途中で切れています。"},
    {"the picture's data ends early", "画像のデータが途中で切れています。"},
    {"the JPEG data is damaged in places", "JPEG のデータが一部壊れています。"},
    {"the JPEG data is not a JPEG picture", "JPEG のデータではありません。"},
    {"the PNG data is damaged or ends early", "PNG のデータが壊れているか、途中で切れています。"},
    {"the PNG data is damaged (a checksum does not match)",
     "PNG のデータが壊れています（チェックサムが合いません）。"},
    {"the GIF data ends early", "GIF のデータが途中で切れています。"},
    {"the GIF data is damaged", "GIF のデータが壊れています。"},
    {"the WebP data is damaged or ends early", "WebP のデータが壊れているか、途中で切れています。"},
    {"the TIFF data ends early or is damaged", "TIFF のデータが途中で切れているか、壊れています。"},
    {"the picture's data ends early or is damaged",
     "画像のデータが途中で切れているか、壊れています。"},
    {"the picture's data is damaged or cut short", "画像のデータが壊れているか、途中で切れています。"},
    {"the HEIF data is damaged or ends early", "HEIF のデータが壊れているか、途中で切れています。"},
}};
inline constexpr std::string_view kImportReasonDamaged = "画像が壊れているため読み込めません。";
// There is not enough memory.
inline constexpr std::string_view kImportReasonOutOfMemory = "メモリが足りません。";
// The program that reads pictures stopped on this picture (then its signal or status).
inline constexpr std::string_view kImportReasonDecoderStopped =
    "画像を読み込むプログラムがこの画像で止まりました。";
// What that program answered cannot be read.
inline constexpr std::string_view kImportReasonBrokenReply =
    "画像を読み込むプログラムの応答を読み取れません。";
// The work could not be started (no thread or process could be made).
inline constexpr std::string_view kImportReasonNotStarted = "処理を開始できませんでした。";
// The program that reads pictures took too long ({seconds} seconds) and was stopped.
inline constexpr std::string_view kImportReasonTimedOut =
    "画像の読み込みに時間がかかりすぎたため（{seconds}秒）、中止しました。";
// The colours could not be reduced.
inline constexpr std::string_view kImportReasonQuantize = "色を減らせませんでした。";
// The conversion settings are not valid.
inline constexpr std::string_view kImportReasonInvalidOptions = "変換の設定が正しくありません。";
// Made despite damage: "Part of the picture was damaged. The start-up screen was made from what
// could be read." (then the decoder's words).
inline constexpr std::string_view kImportRepairedMessage =
    "画像の一部が壊れていました。読み取れた部分から起動画面を作成しました。";
// The dialog that makes a start-up screen from a picture: "Make a start-up screen from a
// picture".
inline constexpr std::string_view kImportDialogCaption = "画像から起動画面を作成";
// How the picture is laid onto the screen (group title), and the three ways: show all of it
// (the rest in the background colour) / fill the screen (cropping what sticks out) / stretch it.
inline constexpr std::string_view kImportFitTitle = "配置";
inline constexpr std::string_view kImportFitContain = "全体を表示(&A)";
inline constexpr std::string_view kImportFitContainTip =
    "画像全体を縦横比を保って表示し、余白を背景色で塗ります。";
inline constexpr std::string_view kImportFitCover = "画面を埋める(&F)";
inline constexpr std::string_view kImportFitCoverTip =
    "縦横比を保って画面全体を埋め、はみ出した部分を切り取ります。";
inline constexpr std::string_view kImportFitStretch = "引き伸ばす(&T)";
inline constexpr std::string_view kImportFitStretchTip = "画像全体を画面いっぱいに引き伸ばします。";
// How many top palette entries animate (1 to 255).
inline constexpr std::string_view kImportRange = "アニメーションする色数(&N):";
inline constexpr std::string_view kImportRangeTip =
    "パレットの上から何色をアニメーションさせるか（1～255）";
// How many rows at the bottom become the animated band (0: none).
inline constexpr std::string_view kImportBandRows = "帯の行数(&B):";
inline constexpr std::string_view kImportBandRowsTip =
    "画面の下から何行をアニメーションする帯にするか（0で帯なし）";
// The band's colours: click one to change it; the last leads back to the first. Add one; remove
// the last (two always stay).
inline constexpr std::string_view kImportBandColours = "帯の色(&C):";
inline constexpr std::string_view kImportBandColourTip =
    "帯のグラデーションの色です。クリックで色を変更します。最後の色から最初の色に戻ります。";
inline constexpr std::string_view kImportAddColour = "追加(&D)";
inline constexpr std::string_view kImportAddColourTip = "帯の色を一つ増やします。";
inline constexpr std::string_view kImportRemoveColour = "削除(&R)";
inline constexpr std::string_view kImportRemoveColourTip =
    "最後の帯の色を削除します（2色は残ります）。";
// The colour of the margins and of transparent parts.
inline constexpr std::string_view kImportBackground = "背景色(&G):";
inline constexpr std::string_view kImportBackgroundTip = "余白と透明な部分に使う色です。";
// How strongly the error is diffused: 0 nearest colour, 100 full diffusion.
inline constexpr std::string_view kImportDither = "ディザ(&I):";
inline constexpr std::string_view kImportDitherTip =
    "誤差拡散の強さです。0で最も近い色、100で完全な誤差拡散になります。";
// The preview: as large as a 4:3 display shows the screen (640×480); the band turns as on the
// real start-up screen, in the colours of the VGA's 6-bit levels.
inline constexpr std::string_view kImportPreviewTip =
    "4:3の画面で見える大きさ（640×480）のプレビューです。帯は実際の起動画面と同じように回ります。"
    "色は実機のVGAと同じ6ビットの階調で表示します。";
// What the preview is doing: reading the picture ({percent}%), remaking the preview.
inline constexpr std::string_view kImportReading = "画像を読み込んでいます…{percent}%";
inline constexpr std::string_view kImportPreviewWorking = "プレビューを作成しています…";
// The dialog's buttons.
inline constexpr std::string_view kOkButton = "OK";
inline constexpr std::string_view kCancelButton = "キャンセル";
// A handler failed unexpectedly: "The operation could not be completed for lack of memory." /
// "...because of an unexpected error." (then its words). Nothing was changed.
inline constexpr std::string_view kOutOfMemoryMessage =
    "メモリが足りないため、操作を完了できませんでした。";
inline constexpr std::string_view kUnexpectedErrorMessage =
    "予期しないエラーのため、操作を完了できませんでした。";
// Revert: "Return the file to its state when opened?"
inline constexpr std::string_view kRevertQuestion = "ファイルを最初の状態に戻しますか？";

// Information label lines: width, height, bits, colours.
inline constexpr std::string_view kInfoWidth = "幅:";
inline constexpr std::string_view kInfoHeight = "高さ:";
inline constexpr std::string_view kInfoBits = "ビット:";
inline constexpr std::string_view kInfoColours = "色数:";
// After the animated count: "-colour animation".
inline constexpr std::string_view kAnimationCountTail = "色アニメーション";

// Open dialog: title and file types (readable files, screen files, bitmaps, all files).
inline constexpr std::string_view kOpenDialogTitle = "ファイルを開く";
inline constexpr std::string_view kFilterReadable = "読み込めるファイル(logo*.sys;*.bmp;*.dib)";
inline constexpr std::string_view kFilterScreen = "画面ファイル(logo*.sys)";
inline constexpr std::string_view kFilterBitmap = "ビットマップファイル(*.bmp;*.dib)";
inline constexpr std::string_view kFilterAll = "全てのファイル(*.*)";
// The open dialog's file type after the four above: pictures, to make a start-up screen from.
inline constexpr std::string_view kFilterPictures = "画像ファイル";
// Save dialog: title and the numbered-output file type.
inline constexpr std::string_view kSaveDialogTitle = "ファイルの保存";
inline constexpr std::string_view kFilterNumbered = "連番出力";

// Status-line hints.
// Open button: opens a file; an unsaved file being edited is discarded.
inline constexpr std::string_view kOpenHint =
    "開くボタン　ファイルを開きます。保存していない編集中のファイルは破棄されます。";
// Preview button: simulates the start-up screen; the real speed differs per computer.
inline constexpr std::string_view kPreviewHint =
    "プレビューボタン　起動画面をシュミレートします。実際の表示速度はコンピューターによって異なりま"
    "す。";
// Save button: saves the edit; screen files, bitmaps and numbered frames can be written.
inline constexpr std::string_view kSaveHint =
    "保存ボタン　編集した情報を保存します。画面ファイル、ビットマップ、アニメの連番画像が出力できま"
    "す。";
// Exit button: ends the program; thank you for using it.
inline constexpr std::string_view kExitHint =
    "終了ボタン　プログラムを終了します。ご利用頂きありがとうございました。";
// Reset button: returns the file to its state when opened; a saved file cannot go back further.
inline constexpr std::string_view kResetHint =
    "現在編集しているファイルを、開いたときの状態に戻します。一度保存したファイルはそれ以前に戻せま"
    "せん。";
// Animation scroll bar: sets how many colours animate.
inline constexpr std::string_view kScrollHint =
    "アニメーションスクロールバー　アニメする数を設定できます。";
// Palette window: a right click brings up the edit menu.
inline constexpr std::string_view kPaletteHint =
    "パレットウインドウ　右クリックで編集メニューが出ます。";
// During an exchange: click the colour to exchange with; right click cancels. The prompt shown
// when the exchange starts is the same sentence with a closing "。".
inline constexpr std::string_view kSwapPointerHint =
    "入れ替え先の色をクリックして下さい。右クリックでキャンセル";
inline constexpr std::string_view kSwapPrompt =
    "入れ替え先の色をクリックして下さい。右クリックでキャンセル。";
// An exchange refused: "Cannot exchange with a position beyond this image's colour count."
inline constexpr std::string_view kSwapRefusedMessage =
    "この画像の色数を超える位置とは入れ替えできません。";
// View window: shows the open image; animated and selected colours blink inverted.
inline constexpr std::string_view kViewHint =
    "ビューウインドウ　開いている画像が表示されます。　アニメする色と選択中の色は反転点滅します。";

// Preview and save need at least one animated colour.
inline constexpr std::string_view kNeedAnimationMessage =
    "プレビュー及び保存をするにはアニメーション数を最低１に指定してください。";
// Status window captions: previewing, exporting; its label before the first counter.
inline constexpr std::string_view kPreviewingCaption = "プレビュー中...";
inline constexpr std::string_view kExportingCaption = "出力中...";
inline constexpr std::string_view kStatusLabelInitial = "Label1";

// The save dialog refuses a name in a folder that does not exist: "The folder was not found. /
// Check the path." (after the folder's path).
inline constexpr std::string_view kMissingFolderMessage =
    "フォルダーが見つかりません。\r\nパスを確認してください。";

// Saving: the file exists / overwrite? / once overwritten it cannot be restored.
inline constexpr std::string_view kOverwriteQuestion =
    "ファイルが既に存在しています。\r\n上書きしますか？\r\n※上書きされると元に戻せません";
// Saving failed: "Could not save." (then the path, and what failed with why, a line each).
inline constexpr std::string_view kSaveFailedMessage = "保存できませんでした。";
// Why a file could not be written, for the reasons users meet; any other reason is given in the
// system's own words.
// The folder or the file does not exist.
inline constexpr std::string_view kReasonNotFound = "フォルダーまたはファイルが見つかりません。";
// Access was denied.
inline constexpr std::string_view kReasonDenied = "アクセスが拒否されました。";
// The file system is read-only.
inline constexpr std::string_view kReasonReadOnly = "読み取り専用のファイルシステムです。";
// The disk is full.
inline constexpr std::string_view kReasonDiskFull = "ディスクの空き容量が足りません。";
// The disk quota is exceeded.
inline constexpr std::string_view kReasonQuota = "ディスクの使用量が割り当てを超えています。";
// A folder of that name is in the way.
inline constexpr std::string_view kReasonFolderInTheWay = "同じ名前のフォルダーがあります。";
// Part of the path is a file, not a folder.
inline constexpr std::string_view kReasonNotAFolder =
    "パスの途中にフォルダーではないファイルがあります。";
// The file is too large.
inline constexpr std::string_view kReasonTooLarge = "ファイルが大きすぎます。";
// The name is too long.
inline constexpr std::string_view kReasonNameTooLong = "ファイル名が長すぎます。";
// An input/output error occurred.
inline constexpr std::string_view kReasonIoError = "入出力エラーが発生しました。";
// The animated range reaches beyond the image's colours; nothing was written.
inline constexpr std::string_view kReasonInvalidSpan =
    "アニメーションの範囲が画像の色数を超えています。何も書き込まれていません。";

// The animated GIF's settings cannot be stored (then what is wrong, in English); nothing was
// written.
inline constexpr std::string_view kReasonInvalidGifOptions =
    "GIFの設定が正しくありません。何も書き込まれていません。";

// What failed in a save, said before the reason.
// The file cannot be written to (a folder of its name, or it is read-only).
inline constexpr std::string_view kStepCheck = "保存先のファイルに書き込めません。";
// No temporary file could be made next to it.
inline constexpr std::string_view kStepCreateTemporary = "一時ファイルを作成できませんでした。";
// The data could not be written.
inline constexpr std::string_view kStepWrite = "データを書き込めませんでした。";
// Writing to the disk could not be completed.
inline constexpr std::string_view kStepFlush = "ディスクへの書き込みを完了できませんでした。";
// The temporary file could not be renamed to the file's name.
inline constexpr std::string_view kStepReplace =
    "一時ファイルを保存先の名前に変更できませんでした。";
// An animated GIF could not be started; its frame {frame} could not be made; it could not be
// finished. Then the GIF library's error number {code} and its own (English) words {message}.
inline constexpr std::string_view kGifStageOpen = "GIFの書き出しを開始できませんでした。";
inline constexpr std::string_view kGifStageFrame =
    "GIFの{frame}枚目のフレームを作成できませんでした。";
inline constexpr std::string_view kGifStageTrailer = "GIFの書き出しを完了できませんでした。";
inline constexpr std::string_view kGifLibraryError = "GIFライブラリのエラー{code}: {message}";

// Saving finished successfully.
inline constexpr std::string_view kSavedMessage = "保存が無事に終了しました。";

// Palette entry label: "selected palette entry", the index followed by "number".
inline constexpr std::string_view kEntryLabelTitle = "選択パレット";
inline constexpr std::string_view kEntryNumberTail = "番";

}  // namespace rotopal::texts
