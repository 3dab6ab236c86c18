#include "catalogue/Cp1251.h"
#include "platform/Text.h"
#include "platform/UpperCaseValidator.h"

#include <QLineEdit>
#include <QCoreApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace kodrix;

// The find boxes upper-case what is typed by the code page's rules, so what
// they hold converts to the bytes the catalogue compares: every character of
// code page 1251 goes to its capital there and back again unchanged.
TEST(UpperCp1251, EveryCharacterOfTheCodePageTakesItsCodePageCapital) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) continue;  // undefined in the code page
        const auto byte = static_cast<unsigned char>(b);
        const QString typed = fromCp1251(std::string(1, static_cast<char>(byte)));
        const QString upper = upperCp1251(typed);
        EXPECT_EQ(toCp1251(upper), std::string(1, static_cast<char>(cp1251::toUpper(byte)))) << "byte " << b;
        EXPECT_EQ(upperCp1251(upper), upper) << "byte " << b;  // capitals stay
        EXPECT_EQ(toCp1251(upperCp1251(fromCp1251(std::string(1, static_cast<char>(cp1251::toLower(byte)))))),
                  std::string(1, static_cast<char>(cp1251::toUpper(byte))))
            << "byte " << b;
    }
    EXPECT_EQ(upperCp1251(QStringLiteral("µ ё ß ў")), QStringLiteral("µ Ё ß Ў"));  // µ, ß: no capital in 1251
    EXPECT_EQ(upperCp1251(QStringLiteral("中文")), QStringLiteral("中文"));        // outside the code page: as typed
}

TEST(UpperCp1251, TheValidatorUpperCasesTypedText) {
    QLineEdit edit;
    edit.setValidator(new UpperCaseValidator(&edit));
    for (QChar c : QStringLiteral("mµя")) {  // typed one key at a time, as a keyboard does
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&edit, &press);
    }
    EXPECT_EQ(edit.text(), QStringLiteral("MµЯ"));
}
