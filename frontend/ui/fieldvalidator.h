// Number fields refuse what their rule does not take as it is typed: only
// digits, no more than the rule's count, nothing above its largest value.
#ifndef ZORB_FRONTEND_UI_FIELDVALIDATOR_H
#define ZORB_FRONTEND_UI_FIELDVALIDATOR_H

#include "frontend/core/fieldrules.h"

#include <QValidator>

class QLineEdit;

namespace zfront {

class FieldValidator : public QValidator {
    Q_OBJECT
public:
    FieldValidator(const FieldRule &rule, QObject *parent) : QValidator(parent), rule_(rule) {}
    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    const FieldRule &rule() const { return rule_; }

private:
    FieldRule rule_;
};

// Gives the edit the rule's validator and length (free text: nothing).
void applyRule(QLineEdit *edit, const FieldRule &rule);

} // namespace zfront

#endif
