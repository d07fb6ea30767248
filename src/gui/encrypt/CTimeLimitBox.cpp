#include "gui/encrypt/CTimeLimitBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/WindowMessage.h"

namespace tessarin::gui {

namespace {

constexpr int kUnitSlots[] = {slot::kUnitYears, slot::kUnitWeeks,   slot::kUnitDays,
                              slot::kUnitHours, slot::kUnitMinutes, slot::kUnitSeconds};

// An edit for a number of up to four digits, wide enough for them.
QLineEdit* NumberEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), edit));
    edit->setMaxLength(4);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    return edit;
}

}  // namespace

CTimeLimitBox::CTimeLimitBox(GuiContext& context, QWidget* parent) : QGroupBox(parent), m_context(context) {
    setObjectName(QStringLiteral("timeLimit"));
    auto* grid = new QGridLayout(this);
    m_afterEncryption = new QCheckBox(this);
    m_afterEncryption->setObjectName(QStringLiteral("limitAfterEncryption"));
    m_afterFirstDecryption = new QCheckBox(this);
    m_afterFirstDecryption->setObjectName(QStringLiteral("limitAfterFirstDecryption"));
    grid->addWidget(m_afterEncryption, 0, 0, 1, 3);
    grid->addWidget(m_afterFirstDecryption, 1, 0, 1, 3);

    m_periodLabel = new QLabel(this);
    m_periodLabel->setObjectName(QStringLiteral("periodLabel"));
    m_value = NumberEdit(this, "limitValue");
    m_periodLabel->setBuddy(m_value);
    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("limitUnit"));
    for (std::size_t i = 0; i < std::size(kUnitSlots); ++i) m_unit->addItem(QString());
    auto* period = new QHBoxLayout;
    period->addWidget(m_value);
    period->addWidget(m_unit);
    period->addStretch(1);
    grid->addWidget(m_periodLabel, 2, 1);
    grid->addLayout(period, 2, 2);

    m_direct = new QCheckBox(this);
    m_direct->setObjectName(QStringLiteral("limitDirect"));
    grid->addWidget(m_direct, 3, 1, 1, 2);
    m_dateLabel = new QLabel(this);
    m_dateLabel->setObjectName(QStringLiteral("dateLabel"));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("limitDate"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    m_date->setMinimumWidth(m_date->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 48);
    m_dateLabel->setBuddy(m_date);
    auto* date = new QHBoxLayout;
    date->addWidget(m_date);
    date->addStretch(1);
    grid->addWidget(m_dateLabel, 4, 1);
    grid->addLayout(date, 4, 2);
    m_timeLabel = new QLabel(this);
    m_timeLabel->setObjectName(QStringLiteral("timeLabel"));
    m_hour = NumberEdit(this, "limitHour");
    m_minute = NumberEdit(this, "limitMinute");
    m_second = NumberEdit(this, "limitSecond");
    m_timeLabel->setBuddy(m_hour);
    auto* time = new QHBoxLayout;
    time->addWidget(m_hour);
    time->addWidget(m_minute);
    time->addWidget(m_second);
    time->addStretch(1);
    grid->addWidget(m_timeLabel, 5, 1);
    grid->addLayout(time, 5, 2);
    // The indent under the two limit boxes.
    grid->setColumnMinimumWidth(0, fontMetrics().horizontalAdvance(QStringLiteral("MM")));
    grid->setColumnStretch(2, 1);

    // At most one of the two limit boxes is checked.
    connect(m_afterEncryption, &QCheckBox::toggled, this, [this](bool on) {
        if (on) m_afterFirstDecryption->setChecked(false);
        UpdateEnabled();
    });
    connect(m_afterFirstDecryption, &QCheckBox::toggled, this, [this](bool on) {
        if (on) m_afterEncryption->setChecked(false);
        UpdateEnabled();
    });
    connect(m_direct, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    Relabel();
    UpdateEnabled();
}

void CTimeLimitBox::Relabel() {
    const auto& texts = m_context.Texts();
    setTitle(Text(texts, slot::kTermOfValidity));
    m_afterEncryption->setText(Text(texts, slot::kLimitAfterEncryption));
    m_afterFirstDecryption->setText(Text(texts, slot::kLimitAfterFirstDecryption));
    m_periodLabel->setText(Text(texts, slot::kLimitPeriod));
    for (int i = 0; i < static_cast<int>(std::size(kUnitSlots)); ++i)
        m_unit->setItemText(i, Text(texts, kUnitSlots[i]));
    m_direct->setText(Text(texts, slot::kDirectLimitSetting));
    m_dateLabel->setText(Text(texts, slot::kLimitDate));
    m_timeLabel->setText(Text(texts, slot::kLimitTime));
    const bool english = texts.Current() == LanguageTable::Language::English;
    m_date->setLocale(QLocale(english ? QLocale::English : QLocale::Japanese));
}

void CTimeLimitBox::UpdateEnabled() {
    const bool chosen = LimitChosen();
    const bool direct = chosen && m_direct->isChecked();
    m_periodLabel->setEnabled(chosen && !direct);
    m_value->setEnabled(chosen && !direct);
    m_unit->setEnabled(chosen && !direct);
    m_direct->setEnabled(chosen);
    for (QWidget* w :
         {static_cast<QWidget*>(m_dateLabel), static_cast<QWidget*>(m_date), static_cast<QWidget*>(m_timeLabel),
          static_cast<QWidget*>(m_hour), static_cast<QWidget*>(m_minute), static_cast<QWidget*>(m_second)})
        w->setEnabled(direct);
}

bool CTimeLimitBox::LimitChosen() const {
    return m_afterEncryption->isChecked() || m_afterFirstDecryption->isChecked();
}

void CTimeLimitBox::SetForm(const TimeLimitForm& form) {
    m_afterEncryption->setChecked(form.base == TimeLimitForm::Base::AfterEncryption);
    m_afterFirstDecryption->setChecked(form.base == TimeLimitForm::Base::AfterFirstDecryption);
    m_value->setText(Qs(form.value));
    m_unit->setCurrentIndex(static_cast<int>(form.unit));
    m_direct->setChecked(form.direct);
    if (form.year != 0) m_date->setDate(QDate(form.year, form.month, form.day));
    m_hour->setText(Qs(form.hour));
    m_minute->setText(Qs(form.minute));
    m_second->setText(Qs(form.second));
    UpdateEnabled();
}

TimeLimitForm CTimeLimitBox::Form() const {
    TimeLimitForm form;
    if (m_afterEncryption->isChecked())
        form.base = TimeLimitForm::Base::AfterEncryption;
    else if (m_afterFirstDecryption->isChecked())
        form.base = TimeLimitForm::Base::AfterFirstDecryption;
    form.value = m_value->text().toStdString();
    form.unit = static_cast<TimeUnit>(std::clamp(m_unit->currentIndex(), 0, static_cast<int>(TimeUnit::Seconds)));
    form.direct = m_direct->isChecked();
    const QDate date = m_date->date();
    form.year = date.year();
    form.month = date.month();
    form.day = date.day();
    form.hour = m_hour->text().toStdString();
    form.minute = m_minute->text().toStdString();
    form.second = m_second->text().toStdString();
    return form;
}

bool CTimeLimitBox::Check(TimeLimitInput& out) {
    const auto check = CheckTimeLimitForm(Form(), m_context.core.Host());
    m_value->setText(Qs(check.value));
    if (check.Ok()) {
        out = check.input;
        return true;
    }
    if (check.result.messageSlot != 0)
        ShowWindowMessage(m_context, window(), m_context.Texts()[check.result.messageSlot]);
    QLineEdit* field = nullptr;
    switch (check.focus) {
        case TimeLimitField::Value:
            field = m_value;
            break;
        case TimeLimitField::Hour:
            field = m_hour;
            break;
        case TimeLimitField::Minute:
            field = m_minute;
            break;
        case TimeLimitField::Second:
            field = m_second;
            break;
        case TimeLimitField::None:
            break;
    }
    if (field) {
        field->setFocus();
        field->selectAll();
    }
    return false;
}

}  // namespace tessarin::gui
