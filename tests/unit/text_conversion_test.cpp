#include <gtest/gtest.h>

#include <QApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "platform/app_name.h"
#include "platform/codepage.h"
#include "platform/edit_box.h"

namespace {

std::string EveryByteWithAllLineBreaks() {
    std::string text;
    for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
    text += "\r\nCRLF\nLF\rCR\r\n\r\n\n\n\r\r\xA0 no-break\tend\r";
    return text;
}

TEST(CodePage, EveryByteMapsToOneCharacterAndBack) {
    const std::string bytes = EveryByteWithAllLineBreaks();
    const QString text = platform::BytesToQString(bytes);
    EXPECT_EQ(text.size(), static_cast<qsizetype>(bytes.size()));
    EXPECT_EQ(platform::QStringToBytes(text), bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        EXPECT_EQ(text[static_cast<qsizetype>(i)].unicode(),
                  platform::CodePageToUnicode(static_cast<unsigned char>(bytes[i])))
            << "byte " << i;
    }
    EXPECT_EQ(platform::CodePageToUnicode(0x80), u'\u20AC');
    EXPECT_EQ(platform::CodePageToUnicode(0x81), u'\u0081');
    EXPECT_EQ(platform::CodePageToUnicode(0x9F), u'\u0178');
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeOneQuestionMark) {
    EXPECT_EQ(platform::QStringToBytes(QString::fromUtf8("a\u4E2Db\U0001F600c")), "a?b?c");
}

TEST(EditBox, GivesBackExactlyTheBytesItWasGiven) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    platform::EditBox box(false);
    for (const std::string& text :
         {EveryByteWithAllLineBreaks(), std::string(), std::string("\r\n"), std::string("\n"),
          std::string("\r"), std::string("a\r\n")}) {
        box.SetBytes(text);
        EXPECT_EQ(box.GetBytes(), text);
    }
    box.SetBytes("one\ntwo");
    EXPECT_EQ(box.document()->blockCount(), 2) << "a bare LF shows as a line break";

    // A line too long to lay out at once is shown in pieces, which join again.
    const std::string piece(16384, 'x');
    const struct {
        std::string text;
        int blocks;
    } longLines[] = {
        {piece, 1},
        {piece + "\r\n", 2},
        {piece + "y", 2},
        {"a\r\n" + piece + piece + piece + "\r" + piece + "z\n", 7},
        {std::string(3'000'000, '[') + "\n]", 185},
    };
    for (const auto& c : longLines) {
        box.SetBytes(c.text);
        EXPECT_EQ(box.GetBytes(), c.text);
        EXPECT_EQ(box.document()->blockCount(), c.blocks);
        EXPECT_TRUE(box.Shows(c.text));
    }
}

TEST(EditBox, SettingTheTextItShowsChangesNothing) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    platform::EditBox box(false);
    const std::string text = "one\r\ntwo\nthree\rfour\r\n";
    box.SetBytes(text);
    const int revision = box.document()->revision();
    box.SetBytes(text);
    EXPECT_EQ(box.document()->revision(), revision) << "the text was set again";

    // The same characters with other line breaks, fewer or more lines, or a
    // changed character are another text.
    for (const std::string& other :
         {std::string("one\ntwo\nthree\rfour\r\n"), std::string("one\r\ntwo\nthree\rfour"),
          text + "\r\n", std::string("one\r\ntwo\nthree\rfous\r\n"),
          std::string("one\r\ntwo\nthree\rfour\r\n\x80")}) {
        EXPECT_FALSE(box.Shows(other)) << other;
        box.SetBytes(other);
        EXPECT_EQ(box.GetBytes(), other);
        box.SetBytes(text);
    }
    // A character typed by the user is taken away again.
    box.moveCursor(QTextCursor::Start);
    box.insertPlainText(QStringLiteral("\u4E2D"));
    EXPECT_FALSE(box.Shows("?" + text));
    box.SetBytes(text);
    EXPECT_EQ(box.GetBytes(), text);
}

TEST(EditBox, SettingATextAgainLeavesTheBoxAsTheFirstSettingDid) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    platform::EditBox box(false);
    // The second text differs from the first only in its line breaks or
    // one character, or not at all.
    const struct {
        std::string first, second;
    } cases[] = {
        {"one\r\ntwo\nthree\rfour", "one\r\ntwo\nthree\rfour"},
        {"a\r\nb", "a\nb"},
        {"a\rb", "a\r\nb"},
        {"a\nb", "a\rb"},
        {"a\r\nb", "a\r\r\nb"},
        {"ab", "ab\r"},
        {"a\r", "a"},
        {"", "x"},
        {"x", ""},
        {"\x80", "\x81"},
    };
    for (const auto& c : cases) {
        box.SetBytes(c.first);
        box.SetBytes(c.second);
        EXPECT_EQ(box.GetBytes(), c.second) << c.first;
    }

    // What the user did to the text since is undone, the cursor goes back to
    // the start and nothing is left to undo.
    const std::string text = "first line\r\nsecond line\r\n";
    box.SetBytes(text);
    QTextCursor cursor = box.textCursor();
    cursor.movePosition(QTextCursor::End);
    box.setTextCursor(cursor);
    box.SetBytes(text);
    EXPECT_EQ(box.textCursor().position(), 0) << "after a cursor move";
    box.setTextCursor(cursor);
    box.insertPlainText("typed");
    box.SetBytes(text);
    EXPECT_EQ(box.GetBytes(), text);
    EXPECT_EQ(box.textCursor().position(), 0) << "after an edit";
    EXPECT_FALSE(box.document()->isUndoAvailable());
}

TEST(AppName, IsTheFileNameWithoutFolderAndExtension) {
    EXPECT_EQ(platform::AppNameFromPath("/usr/bin/Brindle"), "Brindle");
    EXPECT_EQ(platform::AppNameFromPath("/opt/Brindle.EXE"), "Brindle");
    EXPECT_EQ(platform::AppNameFromPath("/a.b/tool.v2.bin"), "tool.v2");
    EXPECT_EQ(platform::AppNameFromPath("Brindle"), "Brindle");
    EXPECT_EQ(platform::AppNameFromPath("/x/.hidden"), ".hidden");
}

}  // namespace
