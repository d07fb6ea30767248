#pragma once
// The time-limit controls the encrypt file dialog and the encryption options
// dialog share: "TimeLimit After Encryption" / "TimeLimit After First
// Decryption" (at most one checked; none: no limit), a value of 1 to 99 with
// its unit, and "Direct setting Decryption time limit" with a date, hour,
// minute and second.

#include <QGroupBox>

#include "app/TimeLimitForm.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace tessarin::gui {

struct GuiContext;

class CTimeLimitBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit CTimeLimitBox(GuiContext& context, QWidget* parent = nullptr);

    void SetForm(const TimeLimitForm& form);
    TimeLimitForm Form() const;
    // The check of OK: on a refusal shows its message (when it has one) and
    // puts the focus back on the field; a value silently replaced is shown.
    // The limit for the batch on success.
    bool Check(TimeLimitInput& out);
    // Whether a limit is chosen (the options dialog's limit box).
    bool LimitChosen() const;
    void Relabel();

private:
    void UpdateEnabled();

    GuiContext& m_context;
    QCheckBox* m_afterEncryption = nullptr;
    QCheckBox* m_afterFirstDecryption = nullptr;
    QLabel* m_periodLabel = nullptr;
    QLineEdit* m_value = nullptr;
    QComboBox* m_unit = nullptr;
    QCheckBox* m_direct = nullptr;
    QLabel* m_dateLabel = nullptr;
    QDateEdit* m_date = nullptr;
    QLabel* m_timeLabel = nullptr;
    QLineEdit* m_hour = nullptr;
    QLineEdit* m_minute = nullptr;
    QLineEdit* m_second = nullptr;
};

}  // namespace tessarin::gui
