#include "base/RuleDialog.h"

#include "base/GroupCombo.h"
#include "base/MessageBoxes.h"
#include "base/Text.h"
#include "rules/RuleKinds.h"
#include "widgets/Advspin.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShowEvent>
#include <limits>

TRuleDialog::TRuleDialog(QWidget* parent) : QDialog(parent) {}

void TRuleDialog::groupIDChange() {
    Changed = true;
}

void TRuleDialog::lockField(QLineEdit* field) {
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    if (QWidget* combo = qobject_cast<GroupCombo*>(field->parentWidget())) {
        combo->setFocusPolicy(Qt::ClickFocus); // it takes the field's focus, and Tab would reach it
        combo->setToolTip(tr("An edit keeps the group: to use another one, add the rule there and delete it here"));
    }
}

void TRuleDialog::offerGroups(const std::vector<GroupEntry>& groups) {
    if (auto* combo = groupField() ? qobject_cast<GroupCombo*>(groupField()->parentWidget()) : nullptr)
        combo->setGroups(groups);
}

QString TRuleDialog::whyNotStorable(const QString& text) {
    switch (fieldTextKind(text.toStdString())) {
    case FieldText::HoldsSeparator:
        return tr("cannot hold \":\": it separates the fields of a rule line.");
    case FieldText::HoldsLineBreak:
        return tr("cannot hold a line break.");
    case FieldText::Storable:
        break;
    }
    if (const QChar c = firstUnencodable(text); !c.isNull())
        return tr("holds \"%1\", a character the rule files cannot store (Windows-1251).").arg(c);
    return QString();
}

// The dialog's fields: the line edits of its own window. A pop-up of a field (the day list's in-place editor)
// is no field of the dialog: what it holds is not stored until the field takes it.
QList<QLineEdit*> TRuleDialog::fields() const {
    QList<QLineEdit*> own;
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        if (edit->window() == this)
            own << edit;
    return own;
}

void TRuleDialog::finishForm() {
    if (auto* ok = findChild<QAbstractButton*>(QStringLiteral("Button1")))
        connect(ok, &QAbstractButton::clicked, this, &TRuleDialog::accept);
    if (auto* cancel = findChild<QAbstractButton*>(QStringLiteral("IAeverButton1")))
        connect(cancel, &QAbstractButton::clicked, this, &TRuleDialog::reject);
    for (QLineEdit* edit : fields()) {
        if (auto* spin = qobject_cast<TAdvSpinEdit*>(edit))
            connect(spin, &TAdvSpinEdit::OnChange, this, &TRuleDialog::groupIDChange);
        else if (!qobject_cast<QComboBox*>(edit->parentWidget()))
            connect(edit, &QLineEdit::textChanged, this, &TRuleDialog::groupIDChange);
    }
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        connect(combo, &QComboBox::currentIndexChanged, this, &TRuleDialog::groupIDChange);
        connect(combo, &QComboBox::editTextChanged, this, &TRuleDialog::groupIDChange);
    }
}

void TRuleDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // the window system showing it again, not the dialog opening
    shownTexts_.clear();
    for (QLineEdit* edit : fields()) {
        shownTexts_.insert(edit, edit->text());
        if (auto* spin = qobject_cast<TAdvSpinEdit*>(edit))
            spin->keepShownText();
    }
}

bool TRuleDialog::edited(const QLineEdit* field) const {
    const auto shown = shownTexts_.constFind(field);
    return shown == shownTexts_.cend() || *shown != field->text();
}

void TRuleDialog::takeBounds(std::string_view tag, std::initializer_list<std::pair<int, TAdvSpinEdit*>> fields) {
    const RuleKind* kind = ruleKindOfTag(tag);
    for (const auto& [index, spin] : fields) {
        const RuleField& field = kind->fields[static_cast<std::size_t>(index) - 1];
        spin->setMinValue(field.min);
        spin->setMaxValue(field.max);
    }
}

int TRuleDialog::orderedDistance(std::string_view tag) {
    return ruleKindOfTag(tag)->orderedDistance;
}

void TRuleDialog::keepRangeOrdered(TAdvSpinEdit* first, TAdvSpinEdit* last, int distance) const {
    if (!edited(first) && !edited(last))
        return;
    const qint64 lowest = qint64(first->CheckValue(first->GetValue())) + distance;
    bool isNumber = false;
    const qint64 value = last->text().toLongLong(&isNumber, 10);
    if (!isNumber || last->text() != last->text().trimmed())
        return;
    if (value < lowest)
        last->setText(QString::number(lowest));
    else if (value > last->maxValue() && lowest <= last->maxValue())
        last->setText(QString::number(last->maxValue()));
}

void TRuleDialog::accept() {
    if (checkFields() && checkOwnFields() && (!acceptCheck_ || acceptCheck_()))
        QDialog::accept();
}

// A number within 32 bits has been brought into the field's bounds; digits beyond them name the bound they pass.
QString TRuleDialog::numberProblem(const TAdvSpinEdit* spin) {
    const QString text = spin->text();
    bool isNumber = false;
    text.toInt(&isNumber, 10);
    if (isNumber && text == text.trimmed())
        return {};
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return QStringLiteral("must hold a whole number.");
    const bool bounded = spin->minValue() != spin->maxValue();
    if (text.startsWith(QLatin1Char('-')))
        return tr("must be at least %1.").arg(bounded ? spin->minValue() : std::numeric_limits<int>::min());
    return tr("must be at most %1.").arg(bounded ? spin->maxValue() : std::numeric_limits<int>::max());
}

bool TRuleDialog::checkFields() {
    for (QLineEdit* edit : fields()) {
        if (edit->isReadOnly() || !edited(edit))
            continue; // the rule's own value, as the line holds it: it is kept so
        QString problem;
        if (auto* spin = qobject_cast<TAdvSpinEdit*>(edit)) {
            spin->applyBounds();
            problem = numberProblem(spin);
        }
        if (problem.isEmpty())
            problem = whyNotStorable(edit->text());
        if (!problem.isEmpty()) {
            messages::error(this, tr("The field \"%1\" %2").arg(fieldName(edit), problem));
            edit->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

QString TRuleDialog::fieldName(const QWidget* field) const {
    // A combo box's line edit hands its focus to the combo box, the label's buddy.
    const QWidget* focused = field->focusProxy() ? field->focusProxy() : field;
    for (const QLabel* label : findChildren<QLabel*>())
        if (label->buddy() == field || label->buddy() == focused) {
            QString name = label->text().remove(QLatin1Char('&')).trimmed();
            if (name.endsWith(QLatin1Char(':')))
                name.chop(1);
            return name.trimmed();
        }
    return field->objectName();
}
