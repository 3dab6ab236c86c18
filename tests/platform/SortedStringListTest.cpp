#include "catalogue/Cp1251.h"
#include "platform/SortedStringList.h"
#include "platform/SortedViews.h"
#include "platform/Text.h"

#include <QCollator>
#include <gtest/gtest.h>

#include <malloc.h>

using namespace kodrix;

namespace {
std::vector<QString> texts(const SortedStringList& l) {
    std::vector<QString> out;
    for (int i = 0; i < l.count(); ++i) out.push_back(l.text(i));
    return out;
}
std::string cp(const char* utf8) { return toCp1251(QString::fromUtf8(utf8)); }

// The oracle the lists' byte weights were taken from: the common (root)
// collation rules as the English locale has them (digits, then Latin, then
// Cyrillic letters, case ignored, Ё beside Е).
const QCollator& rootCollator() {
    static const QCollator c = [] {
        QCollator col(QLocale(QLocale::English, QLocale::UnitedStates));
        col.setCaseSensitivity(Qt::CaseInsensitive);
        col.setNumericMode(false);
        col.setIgnorePunctuation(false);
        return col;
    }();
    return c;
}
}  // namespace

TEST(SortedStringList, RussianOrderWithoutRegardToCase) {
    SortedStringList list;
    list.assign({cp("яблоко"), cp("Ёлка"), cp("ель"), cp("Жук"), cp("banana"), cp("Apple"), cp("еж"), "10", "9"});
    // Ё sorts as Е (not after Я, as code-point order would put it); Latin
    // before Cyrillic, digits first, letter case ignored.
    EXPECT_EQ(texts(list), (std::vector<QString>{"10", "9", "Apple", "banana", "еж", "Ёлка", "ель", "Жук", "яблоко"}));
}

TEST(SortedStringList, DuplicatesKeptAndIndexesFollowTheOrder) {
    SortedStringList list;
    EXPECT_EQ(list.add("b"), 0);
    EXPECT_EQ(list.add("a"), 0);
    EXPECT_EQ(list.add("b"), 2);
    EXPECT_EQ(list.add("B"), 3);  // equal without case: after the others
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.item(1), "b");
    EXPECT_EQ(list.indexOf("B"), 3);
    EXPECT_EQ(list.indexOf("c"), -1);
    list.addMany({"c", "a"});
    EXPECT_EQ(list.items(), (std::vector<std::string>{"a", "a", "b", "b", "B", "c"}));
    list.assign({});
    EXPECT_EQ(list.count(), 0);
}

TEST(SortedStringList, UpperCaseListsStoreItemsUpperCased) {
    SortedStringList list;
    list.setUpperCase(true);
    list.assign({"Sega", "pc", cp("рус")});
    EXPECT_EQ(texts(list), (std::vector<QString>{"PC", "SEGA", "РУС"}));
    EXPECT_EQ(list.item(2), "\xD0\xD3\xD1");
}

TEST(SortedStringList, HundredThousandItemsLoadInOneStep) {
    std::vector<std::string> many;
    for (int i = 0; i < 100000; ++i) many.push_back("Game " + std::to_string((i * 7919) % 100000));
    SortedStringList list;
    int resets = 0;
    QObject::connect(&list, &QAbstractItemModel::modelReset, [&] { ++resets; });
    list.assign(many);
    EXPECT_EQ(resets, 1);
    ASSERT_EQ(list.count(), 100000);
    for (int i = 1; i < list.count(); ++i)
        ASSERT_LE(rootCollator().compare(list.text(i - 1), list.text(i)), 0) << i;
}

TEST(SortedViews, SelectionFromCodeRaisesNoEvents) {
    SortedComboBox box;
    SortedListBox listBox;
    box.list()->assign({"b", "a"});
    listBox.list()->assign({"x", "y"});
    int boxEvents = 0, listEvents = 0;
    QObject::connect(&box, &QComboBox::currentIndexChanged, [&] { ++boxEvents; });
    QObject::connect(&box, &QComboBox::activated, [&] { ++boxEvents; });
    QObject::connect(&listBox, &SortedListBox::itemClicked, [&] { ++listEvents; });
    box.selectIndex(1);
    EXPECT_EQ(box.selectedItem(), "B");
    box.selectIndex(7);  // beyond the list: no selection
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(box.selectedItem(), "");
    listBox.setItemIndex(1);
    EXPECT_EQ(listBox.selectedItem(), "y");
    listBox.setItemIndex(-1);
    EXPECT_EQ(listBox.itemIndex(), -1);
    EXPECT_EQ(boxEvents, 0);
    EXPECT_EQ(listEvents, 0);
    try {
        listBox.selectedItem();
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
    }
}

TEST(SortedStringList, SortKeysOrderTextsAsTheCollatorDoes) {
    // Random names over the characters game names are made of: both cases of
    // Latin and Cyrillic, Ё/ё beside Е/е, digits and punctuation.
    const std::string alphabet = cp("aAbBzZ09 -':!.,&еЕёЁжЖяЯйЙъ№«»–");
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    auto randomText = [&] {
        std::string s;
        for (std::uint32_t n = next() % 6; n > 0; --n) s.push_back(alphabet[next() % alphabet.size()]);
        return s;
    };
    const QCollator& col = rootCollator();
    for (int i = 0; i < 20000; ++i) {
        std::string a = randomText(), b = randomText();
        if (next() % 4 == 0) b = a.substr(0, a.size() / 2) + b;  // shared beginnings are the usual case
        const int byCollator = col.compare(fromCp1251(a), fromCp1251(b));
        const int byKey = SortedStringList::sortKey(a).compare(SortedStringList::sortKey(b));
        ASSERT_EQ(byCollator < 0, byKey < 0) << fromCp1251(a).toStdString() << " / " << fromCp1251(b).toStdString();
        ASSERT_EQ(byCollator > 0, byKey > 0) << fromCp1251(a).toStdString() << " / " << fromCp1251(b).toStdString();
        // The list compares without building keys, to the same result.
        const int compared = SortedStringList::compareKeys(a, b);
        ASSERT_EQ(compared < 0, byKey < 0) << fromCp1251(a).toStdString() << " / " << fromCp1251(b).toStdString();
        ASSERT_EQ(compared > 0, byKey > 0) << fromCp1251(a).toStdString() << " / " << fromCp1251(b).toStdString();
    }
}

TEST(SortedStringList, AnItemCostsItsBytesAndOneNumber) {
    // A game list of two million empty lines (a 4 MB file) once took about
    // ninety bytes a line; kept as one buffer of bytes and one end per item it
    // takes eight, whatever the list's history.
    auto inUse = [] {
        const struct mallinfo2 m = ::mallinfo2();
        return m.uordblks + m.hblkhd;
    };
    constexpr std::size_t kLines = 2'000'000;
    SortedStringList list;
    list.assign(std::vector<std::string>{"warm", "up"});
    const std::size_t before = inUse();
    {
        std::vector<std::string> empty(kLines);
        list.assign(empty);
    }
    ASSERT_EQ(list.count(), static_cast<int>(kLines));
    const std::size_t after = inUse();
    EXPECT_LE(after - std::min(after, before), kLines * 12) << (after - before) / kLines << " bytes a line";
}

TEST(SortedStringList, TheWeightTableOrdersEveryLetterAsTheCollatorDoes) {
    // The lists' order is a table of weights per byte, taken from the
    // collator once: every pair of the code page's letters, digits and the
    // blank, alone and before a second letter, must still order as this
    // machine's collator orders them. (Characters the collator expands, such
    // as the ellipsis, are the one-weight table's approximation.)
    std::vector<int> chars{' '};
    for (int c = 1; c < 256; ++c) {
        const auto b = static_cast<unsigned char>(c);
        if ((c >= '0' && c <= '9') || cp1251::toUpper(b) != cp1251::toLower(b)) chars.push_back(c);
    }
    ASSERT_GT(chars.size(), 140u);  // Latin, Cyrillic (with the Ukrainian, Belarusian and Serbian letters), digits
    const QCollator& col = rootCollator();
    for (int a : chars) {
        for (int b : chars) {
            const std::string x(1, char(a)), y(1, char(b));
            for (const auto& [s, t] : {std::pair{x, y}, std::pair{x + "b", y + "a"}}) {
                const int byCollator = col.compare(fromCp1251(s), fromCp1251(t));
                const int byTable = SortedStringList::compareKeys(s, t);
                ASSERT_EQ(byCollator < 0, byTable < 0) << a << " " << b;
                ASSERT_EQ(byCollator > 0, byTable > 0) << a << " " << b;
            }
        }
    }
}
