#pragma once

#include <QString>

#include <functional>

// Message boxes: their kinds, buttons and results, the dialog seam, and the table of the
// application's messages (every caller raises a message through its row here).

enum class EKvMsgDlgType
{
    Warning,
    Error,
    Information,
    Confirmation,
};

// A set of buttons.
enum EKvMsgButton : unsigned
{
    KMbOK = 1,
    KMbCancel = 2,
    KMbYes = 4,
    KMbNo = 8,
};
using TKvMsgButtons = unsigned;

// Button results, as returned and as remembered by the settings store.
enum EKvModalResult : int
{
    KMrNone = 0,
    KMrOK = 1,
    KMrCancel = 2,
    KMrYes = 6,
    KMrNo = 7,
};

// What the dialog shows. The captions are the skin pack's texts of the current language.
struct TKvMessageRequest
{
    QString Text;
    QString Caption; // the application's name
    EKvMsgDlgType Kind = EKvMsgDlgType::Information;
    QString KindCaption; // "Warning", "Error", ...
    TKvMsgButtons Buttons = KMbOK;
    QString CaptionOK, CaptionCancel, CaptionYes, CaptionNo;
    bool ShowCheckBox = false; // "Do not display this message again"
    QString CheckBoxCaption;
};

struct TKvMessageAnswer
{
    int Result = KMrNone; // the pressed button
    bool Checked = false; // the check box was ticked
};

// Shows a request modally and reports the answer. The desktop dialog lives in the GUI
// library; tests use a scripted one.
using TKvMessageDialog = std::function<TKvMessageAnswer(const TKvMessageRequest&)>;

// One row of the message table: the [AppRes] key, the kind, the buttons, the number under
// which a "do not show again" answer is remembered (0: never), and the answer given without
// showing a suppressed box (0: the remembered one).
struct TKvMessage
{
    const char* Key;
    EKvMsgDlgType Kind;
    TKvMsgButtons Buttons;
    int Number;
    int DefaultResult;
};

namespace KvMsg
{
// The conversion libraries cannot be loaded.
inline constexpr TKvMessage AVLibLoadFailed{"MsgBox.AVLibLoadFailed", EKvMsgDlgType::Error, KMbOK, 0, 0};
// The search address of the service information is asked for while it is still missing.
inline constexpr TKvMessage InfoGettingAddress{"MsgBox.InfoGetting", EKvMsgDlgType::Warning, KMbOK, 0, 0};
// A search is started, or a result page arrives, before the service information is complete.
inline constexpr TKvMessage InfoGetting{"MsgBox.InfoGetting", EKvMsgDlgType::Information, KMbOK, 0, 0};
inline constexpr TKvMessage NoEnterKeyword{"MsgBox.NoEnterKeyword", EKvMsgDlgType::Information, KMbOK, 0, 0};
inline constexpr TKvMessage TaskExists{"MsgBox.TaskExists", EKvMsgDlgType::Information, KMbOK, 0, 0};
inline constexpr TKvMessage ContinueLastTask{"MsgBox.ContinueLastTask", EKvMsgDlgType::Confirmation,
                                             KMbOK | KMbCancel, 24, 0};
inline constexpr TKvMessage NoEnterAdvKeywords{"MsgBox.NoEnterAdvKeywords", EKvMsgDlgType::Information, KMbOK, 0, 0};
inline constexpr TKvMessage DirNotExists{"MsgBox.DirNotExists", EKvMsgDlgType::Error, KMbOK, 19, 0};
inline constexpr TKvMessage RemoveAll{"MsgBox.RemoveAll", EKvMsgDlgType::Confirmation, KMbOK | KMbCancel, 0, 1};
inline constexpr TKvMessage RemoveTask{"MsgBox.RemoveTask", EKvMsgDlgType::Information, KMbYes | KMbNo, 0, 0};
inline constexpr TKvMessage TerminateDown{"MsgBox.TerminateDown", EKvMsgDlgType::Confirmation, KMbOK | KMbCancel, 0, 1};
} // namespace KvMsg
