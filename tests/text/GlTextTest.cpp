// The glyph lists and string output of the bitmap font, as calls recorded
// in place of a GL library.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "glbinding/GLLoader.h"
#include "tests/support/GLRecorder.h"
#include "text/Cp1251.h"
#include "text/glText.h"

namespace {

constexpr GLuint kFirstList = 1000;
constexpr std::size_t kCallsPerList = 13;  // glNewList, the eleven glyph calls, glEndList

// The calls between glNewList and glEndList that compile the list of one code.
struct CompiledList {
  GLuint name = 0;
  std::vector<GLCall> body;
};

std::vector<CompiledList> BuildAndSplit(GLRecorder &rec) {
  rec.nextList = kFirstList;
  BuildFont();
  std::vector<CompiledList> lists;
  for (const GLCall &call : rec.calls) {
    if (call.name == "glNewList") {
      lists.push_back({GLuint(call.args.at(0)), {}});
      EXPECT_EQ(call.args.at(1), GL_COMPILE);
    } else if (call.name != "glEndList" && call.name != "glGenLists") {
      EXPECT_FALSE(lists.empty()) << call.name << " outside a list";
      if (!lists.empty()) lists.back().body.push_back(call);
    }
  }
  return lists;
}

void ExpectTexCoord(const GLCall &call, double s, double t) {
  ASSERT_EQ(call.name, "glTexCoord2f");
  ASSERT_EQ(call.args.size(), 2u);
  EXPECT_EQ(call.args[0], s);
  EXPECT_EQ(call.args[1], t);
}

void ExpectVertex(const GLCall &call, double x, double y) {
  ASSERT_EQ(call.name, "glVertex2i");
  EXPECT_EQ(call.args, (std::vector<double>{x, y}));
}

}  // namespace

TEST(BuildFont, TakesTwoHundredFiftySixNamesAndCompilesThemColumnByColumn) {
  GLRecorder rec;
  rec.nextList = kFirstList;
  BuildFont();
  EXPECT_EQ(FontBase, kFirstList);
  ASSERT_EQ(rec.calls.size(), 1 + 256 * kCallsPerList);
  EXPECT_EQ(rec.calls[0].name, "glGenLists");
  EXPECT_EQ(rec.calls[0].args, (std::vector<double>{256}));

  // The row runs fastest: codes 0, 16, ..., 240, 1, 17, ..., 255.
  std::vector<double> expected;
  for (int column = 0; column < 16; ++column)
    for (int row = 0; row < 16; ++row) expected.push_back(kFirstList + column + 16 * row);
  std::vector<double> compiled;
  for (const GLCall &call : rec.Named("glNewList")) compiled.push_back(call.args.at(0));
  EXPECT_EQ(compiled, expected);
  EXPECT_EQ(rec.Named("glEndList").size(), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    EXPECT_EQ(rec.calls[1 + i * kCallsPerList].name, "glNewList") << i;
    EXPECT_EQ(rec.calls[(i + 1) * kCallsPerList].name, "glEndList") << i;
  }
}

TEST(BuildFont, EveryListDrawsItsCellAsAQuadAndAdvancesSixteenUnits) {
  GLRecorder rec;
  const std::vector<CompiledList> lists = BuildAndSplit(rec);
  ASSERT_EQ(lists.size(), 256u);
  for (const CompiledList &list : lists) {
    SCOPED_TRACE("list " + std::to_string(list.name));
    const GLuint code = list.name - kFirstList;
    ASSERT_LT(code, 256u);
    // Exact sixteenths, computed here independently of the single-precision
    // arithmetic of the font code.
    const double s0 = (code % 16) / 16.0, s1 = (code % 16 + 1) / 16.0;
    const double t0 = (code / 16) / 16.0, t1 = (code / 16 + 1) / 16.0;
    const std::vector<GLCall> &b = list.body;
    ASSERT_EQ(b.size(), 11u);
    EXPECT_EQ(b[0].name, "glBegin");
    EXPECT_EQ(b[0].args, (std::vector<double>{GL_QUADS}));
    ExpectTexCoord(b[1], s0, t0);
    ExpectVertex(b[2], 0, 0);
    ExpectTexCoord(b[3], s1, t0);
    ExpectVertex(b[4], 16, 0);
    ExpectTexCoord(b[5], s1, t1);
    ExpectVertex(b[6], 16, 16);
    ExpectTexCoord(b[7], s0, t1);
    ExpectVertex(b[8], 0, 16);
    EXPECT_EQ(b[9].name, "glEnd");
    EXPECT_EQ(b[10].name, "glTranslatef");
    EXPECT_EQ(b[10].args, (std::vector<double>{16, 0, 0}));
  }
}

TEST(BuildFont, CornerCellsAreTheCornersOfThePicture) {
  GLRecorder rec;
  const std::vector<CompiledList> lists = BuildAndSplit(rec);
  ASSERT_EQ(lists.size(), 256u);
  // The first list compiled is byte 0x00, top left; the last is 0xFF,
  // bottom right; the space is column 0, row 2.
  ASSERT_EQ(lists.front().name, kFirstList + 0x00);
  ExpectTexCoord(lists.front().body.at(1), 0.0, 0.0);
  ExpectTexCoord(lists.front().body.at(5), 0.0625, 0.0625);
  ASSERT_EQ(lists.back().name, kFirstList + 0xFF);
  ExpectTexCoord(lists.back().body.at(1), 0.9375, 0.9375);
  ExpectTexCoord(lists.back().body.at(5), 1.0, 1.0);
  ASSERT_EQ(lists.at(2).name, kFirstList + 0x20);
  ExpectTexCoord(lists.at(2).body.at(1), 0.0, 0.125);
  ExpectTexCoord(lists.at(2).body.at(5), 0.0625, 0.1875);
  // Cyrillic А (0xC0) is column 0, row 12; я (0xFF) is the last.
  ASSERT_EQ(lists.at(12).name, kFirstList + 0xC0);
  ExpectTexCoord(lists.at(12).body.at(1), 0.0, 0.75);
}

TEST(KillFont, DeletesExactlyTheFontsListsAndKeepsFontBase) {
  GLRecorder rec;
  rec.nextList = kFirstList;
  BuildFont();
  rec.Clear();
  KillFont();
  EXPECT_EQ(rec.Names(), (std::vector<std::string>{"glDeleteLists"}));
  EXPECT_EQ(rec.calls.at(0).args, (std::vector<double>{kFirstList, 256}));
  EXPECT_EQ(FontBase, kFirstList);
}

TEST(PrintText, CallsOneListPerByteBetweenSavingAndRestoringTheListBase) {
  GLRecorder rec;
  FontBase = 77;
  constexpr auto line = Cp1251(" Пробел - остановка.");
  PrintText(line.view());
  EXPECT_EQ(rec.Names(), (std::vector<std::string>{"glPushAttrib", "glListBase", "glCallLists", "glPopAttrib"}));
  ASSERT_EQ(rec.calls.size(), 4u);
  EXPECT_EQ(rec.calls[0].args, (std::vector<double>{GL_LIST_BIT}));
  EXPECT_EQ(rec.calls[1].args, (std::vector<double>{77}));
  EXPECT_EQ(rec.calls[2].args, (std::vector<double>{20, GL_UNSIGNED_BYTE}));
  EXPECT_EQ(rec.calls[2].bytes, std::string(line.view()));
  EXPECT_EQ(rec.calls[2].bytes.substr(0, 3), "\x20\xCF\xF0");  // " Пр" in Windows-1251
  // The caller's bytes themselves, not a copy.
  EXPECT_EQ(rec.calls[2].pointers.at(0), line.view().data());
  EXPECT_TRUE(rec.calls[3].args.empty());
}

TEST(PrintText, PassesEveryByteAsStored) {
  GLRecorder rec;
  FontBase = 1;
  // A zero byte, a line feed and 0xFF are glyphs like any other.
  const std::string bytes("A\0\n\xFF\x7F", 5);
  PrintText(bytes);
  ASSERT_EQ(rec.Named("glCallLists").size(), 1u);
  const GLCall call = rec.Named("glCallLists")[0];
  EXPECT_EQ(call.args.at(0), 5);
  EXPECT_EQ(call.bytes, bytes);
}

TEST(PrintText, EmptyStringCallsNoList) {
  GLRecorder rec;
  FontBase = 1;
  PrintText("");
  // The push and pop still pair up, so the attribute stack ends as it was.
  EXPECT_EQ(rec.Names(), (std::vector<std::string>{"glPushAttrib", "glListBase", "glCallLists", "glPopAttrib"}));
  EXPECT_EQ(rec.Named("glCallLists").at(0).args.at(0), 0);
  EXPECT_TRUE(rec.Named("glTranslatef").empty());
}

TEST(PrintText, EachCallPushesAndPopsOnce) {
  GLRecorder rec;
  FontBase = 1;
  PrintText("ab");
  PrintText("c");
  int depth = 0, deepest = 0;
  for (const GLCall &call : rec.calls) {
    if (call.name == "glPushAttrib") deepest = std::max(deepest, ++depth);
    if (call.name == "glPopAttrib") --depth;
    EXPECT_GE(depth, 0);
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(rec.Named("glCallLists").size(), 2u);
}
