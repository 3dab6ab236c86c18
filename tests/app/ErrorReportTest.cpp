#include "ui/ApplicationTitle.h"
#include "ui/ErrorReport.h"
#include "catalogue/Error.h"
#include "platform/dialogs/Dialogs.h"

#include <gtest/gtest.h>

using namespace kodrix;

TEST(ErrorReport, FullStopOnlyAfterCharactersAboveTheDot) {
    struct Case {
        QString in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"Resource File1 not found", "Resource File1 not found."},
        {"List index out of bounds (-1)", "List index out of bounds (-1)"},  // ')' < '.'
        {"Done.", "Done."},
        {"Ends with a dash -", "Ends with a dash -"},
        {"Ends with a slash /", "Ends with a slash /."},
        {"Ends in digits 42", "Ends in digits 42."},
        {"Не найдено", "Не найдено."},
    };
    for (const auto& c : cases) EXPECT_EQ(withFullStop(c.in), c.out) << c.in.toStdString();
}

TEST(ErrorReport, GuardShowsTheMessageWithTitleAndStopIcon) {
    setApplicationTitle("Kodrix");
    dialogs::DialogScript script;
    EXPECT_FALSE(guarded(nullptr, [] { throw Error("'\xEF\xF0\xE8' is not a valid integer value"); }));
    EXPECT_TRUE(guarded(nullptr, [] {}));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, QString("'при' is not a valid integer value."));
    EXPECT_EQ(script.messages[0].caption, QString("Kodrix"));
    EXPECT_EQ(script.messages[0].icon, dialogs::Icon::Stop);
}

TEST(ApplicationTitle, ExecutableNameUpToTheFirstDotRestLowerCase) {
    EXPECT_EQ(titleFromExecutableName("KODRIX.EXE"), "Kodrix");
    EXPECT_EQ(titleFromExecutableName("/opt/kodrix/Kodrix"), "Kodrix");
    EXPECT_EQ(titleFromExecutableName("kodrix.v2.bin"), "kodrix");
    EXPECT_EQ(titleFromExecutableName("K"), "K");
    EXPECT_EQ(titleFromExecutableName("КОДЫ.exe"), "Коды");
}
