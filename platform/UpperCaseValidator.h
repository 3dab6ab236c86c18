#pragma once
// Forces what is typed into an edit to upper case, by code page 1251's rules
// (the quick-find and walkthrough-find boxes).
#include "platform/Text.h"

#include <QValidator>

namespace kodrix {

class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = upperCp1251(input);
        return Acceptable;
    }
};

}  // namespace kodrix
