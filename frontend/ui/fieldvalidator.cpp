#include "frontend/ui/fieldvalidator.h"

#include <QLineEdit>

namespace zfront {

QValidator::State FieldValidator::validate(QString &input, int &) const
{
    switch (checkField(rule_, input)) {
    case FieldState::Acceptable:
        return Acceptable;
    case FieldState::Intermediate:
        return Intermediate;
    case FieldState::Invalid:
        break;
    }
    return Invalid;
}

void FieldValidator::fixup(QString &input) const
{
    input = clampField(rule_, input);
}

void applyRule(QLineEdit *edit, const FieldRule &rule)
{
    if (!rule.isNumber()) {
        edit->setValidator(nullptr);
        return;
    }
    edit->setMaxLength(rule.digits);
    edit->setValidator(new FieldValidator(rule, edit));
    if (rule.min > 0)
        edit->setPlaceholderText(QString::number(rule.min) + QStringLiteral("-") + QString::number(rule.max));
}

} // namespace zfront
