// The syntax module: the spans of entry texts and table files, and the parsed parts of calls,
// blocks, conditions, assignments and function calls, each case an input beside what it reads
// as. What the parts then do is the expansion tests' concern.
#include "engine/expansion/syntax.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/error.h"
#include "engine/expansion/syntax_lines.h"
#include "engine/expansion/syntax_spans.h"

namespace fablewick {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

const char* KindName(SpanKind kind) {
  static constexpr const char* kNames[] = {
      "call",   "read",  "assign", "fn",    "block",   "d",       "esc",    "prefix",   "cond",
      "cmp",    "sep",   "table",  "group", "mod",     "params",  "name",   "op",       "value",
      "fname",  "args",  "kw",     "count", "comment", "ignored", "ranged", "weighted", "norepeat",
      "header", "entry", "cont",   "var",   "param",   "prompt",  "option", "problem"};
  return kNames[static_cast<int>(kind)];
}

// The spans as nested kind'text'{...}; "!" marks a construct never closed, "?" a part made
// while rolling, "#" a construct not read. Children are found through `parent`.
std::string Render(const std::vector<SyntaxSpan>& spans, std::string_view text, int32_t parent) {
  std::string out;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const SyntaxSpan& span = spans[i];
    if (span.parent != parent) continue;
    if (!out.empty()) out += ' ';
    out += KindName(span.kind);
    if (span.flags & kSpanUnclosed) out += '!';
    if (span.flags & kSpanMadeWhileRolling) out += '?';
    if (span.flags & kSpanNotRead) out += '#';
    std::string written(text.substr(span.begin, span.end - span.begin));
    for (std::size_t at; (at = written.find("\r\n")) != std::string::npos;) {
      written.replace(at, 2, "^M");
    }
    out += "'" + written + "'";
    const std::string inner = Render(spans, text, static_cast<int32_t>(i));
    if (!inner.empty()) out += "{" + inner + "}";
  }
  return out;
}

TEST(SyntaxSpansTest, EntryTextsAreReadAsTheExpanderReadsThem) {
  for (const auto& [text, expected] : Pairs{
           {"a/[b/] [CC~Other.Gem(1,2)+3]",
            "esc'/[' esc'/]' call'[CC~Other.Gem(1,2)+3]'{d'[' prefix'CC~' table'Other' sep'.' "
            "group'Gem' params'(1,2)' mod'+3' d']'}"},
           // Lone delimiters are text; a construct inside a part is held by it.
           {"[%v%.Gem] 50% | x",
            "call'[%v%.Gem]'{d'[' table?'%v%'{read'%v%'{d'%' name'v' d'%'}} sep'.' group'Gem' "
            "d']'}"},
           {"[%hp%<5?CC~Weak/Strong]",
            "call'[%hp%<5?CC~Weak/Strong]'{d'[' cond?'%hp%<5'{read'%hp%'{d'%' name'hp' d'%'} "
            "cmp'<'} sep'?' prefix'CC~' group'Weak' sep'/' group'Strong' d']'}"},
           {"|x=[Gem]|{3d6}{UCase~a~b}",
            "assign'|x=[Gem]|'{d'|' name'x' op'=' value?'[Gem]'{call'[Gem]'{d'[' group'Gem' "
            "d']'}} d'|'} fn'{3d6}'{d'{' args'3d6' d'}'} fn'{UCase~a~b}'{d'{' fname'UCase' "
            "d'~' args'a~b' d'}'}"},
           // Blocks are cut as written; each part is read on its own.
           {"{If~%x%>3?{Loop~2,[G]}/b}{Loop~3}",
            "block'{If~%x%>3?{Loop~2,[G]}/b}'{d'{' kw'If' d'~' cond?'%x%>3'{read'%x%'{d'%' "
            "name'x' d'%'} cmp'>'} sep'?' block'{Loop~2,[G]}'{d'{' kw'Loop' d'~' count'2' sep',' "
            "call'[G]'{d'[' group'G' d']'} d'}'} sep'/' d'}'} block'{Loop~3}'{d'{' kw'Loop' d'~' "
            "d'}'}"},
           // "/]" does not close a call; an opener without its partner takes the rest.
           {"[Gem/]][]a [G {X~y",
            "call'[Gem/]]'{d'[' group'Gem/]'{esc'/]'} d']'} call'[]'{d'[' d']'} "
            "call!'[G {X~y'{d'[' group?'G {X~y'{fn!'{X~y'{d'{' fname'X' d'~' args'y'}}}"},
           {"/%x% %y/% |a|", "esc'/%' read'% %'{d'%' d'%'} esc'/%' assign'|a|'{d'|' d'|'}"},
       }) {
    EXPECT_EQ(Render(EntrySpans(text), text, -1), expected) << text;
  }
}

TEST(SyntaxSpansTest, NestingDeeperThanTheWalkFollowsIsMarkedOnce) {
  const std::string text = std::string(300, '[') + std::string(300, ']');
  const std::vector<SyntaxSpan> spans = EntrySpans(text);
  int not_read = 0;
  for (const SyntaxSpan& span : spans) {
    if (span.flags & kSpanNotRead) {
      ++not_read;
      EXPECT_EQ(span.begin, 256u);
      EXPECT_EQ(span.end, 600u - 256u);
    }
  }
  EXPECT_EQ(not_read, 1);
}

TEST(SyntaxSpansTest, TableFilesAreReadLineByLineAsTheLoaderReadsThem) {
  const std::string file =
      "# c\r\n%v%,[Gem]\r\n@v,1,Which?,a,b\r\n@w,1,x\r\n1,before\r\n;!Gem\r\n1-2,[A\r\n# gap\r\n"
      "_B] x\r\n:Plain \n no comma\nno comma\n";
  EXPECT_EQ(Render(TableFileSpans(file), file, -1),
            "comment'# c' var'%v%,[Gem]'{d'%' name'v' d'%' sep',' value'[Gem]'{call'[Gem]'{d'[' "
            "group'Gem' d']'}}} param'@v,1,Which?,a,b'{d'@' name'v' sep',' value'1' sep',' "
            "prompt'Which?' sep',' option'a' sep',' option'b'} problem'@w,1,x' "
            "problem'1,before' weighted';!Gem'{norepeat'!' header'Gem'} entry'1-2' sep',' "
            "call'[A^M# gap^M_B]'{d'[' group'A^M# gap^M_B'{comment'# gap' cont'_'} d']'} "
            "ranged':Plain '{header'Plain '} ignored' no comma' problem'no comma'");
}

// A call's parts: prefixes, condition, table, group, parameters and modifier.
std::string Describe(std::string_view prefixes) {
  static constexpr const char* kPrefixes[] = {"capital", "article", "repeat", "dice",
                                              "reset",   "link",    "none"};
  std::string out;
  for (std::optional<CallPrefix> prefix; (prefix = ReadPrefix(prefixes));
       prefixes.remove_prefix(prefix->text.size())) {
    out += kPrefixes[static_cast<int>(prefix->kind)];
    if (prefix->kind == PrefixKind::kRepeat || prefix->kind == PrefixKind::kDiceRepeat) {
      out += prefix->digit < 0 ? std::string("?") : std::to_string(prefix->digit);
    }
    out += ' ';
  }
  return out;
}

std::string Describe(const CallPart& part) {
  const CallTarget& target = part.target;
  std::string out = Describe(part.prefixes);
  if (target.reference.has_table) out += "T{" + std::string(target.reference.table) + "} ";
  out += "G{" + std::string(target.group) + "}";
  if (target.has_parameters) out += " P{" + std::string(target.parameters) + "}";
  if (target.modifier != 0) {
    out += std::string(" M{") + target.modifier + "}" + std::string(target.modifier_number);
  }
  return out;
}

std::string Describe(const GroupCallSyntax& call) {
  if (!call.conditional) return Describe(CallPart{call.prefixes, call.first.target});
  std::string out = Describe(call.prefixes) + "if{" + std::string(call.condition) + "} then{" +
                    Describe(call.first) + "}";
  if (call.has_second) out += " else{" + Describe(call.second) + "}";
  return out;
}

TEST(SyntaxCallTest, GroupCallsAreTakenApartAsTheRollerTakesThemApart) {
  for (const auto& [inside, expected] : Pairs{
           {"Gem", "G{Gem}"},
           {"CC~CN~N3~D6~RS~LX~Cx~Other.Gem",
            "capital article repeat3 dice6 reset link none T{Other} G{Gem}"},
           {"NX~Gem", "repeat? G{Gem}"},
           {"\xC3\xA9X~Caf\xC3\xA9.Menu", "none T{Caf\xC3\xA9} G{Menu}"},  // code points
           {"Gem(1,2)+2", "G{Gem} P{1,2} M{+}2"},
           // The first "+", else "-", else "=" is the modifier, wherever it stands.
           {"Gem(1,-2)", "G{Gem(1,} M{-}-2)"},
           {"T.Gem=3-1", "T{T} G{Gem=3} M{-}-1"},
           {"A.B.C=3", "T{A} G{B.C} M{=}3"},
           {" 3 < 5 ?CC~Weak/ Strong/x ", "if{3 < 5} then{capital G{Weak}} else{G{Strong/x}}"},
           {"N2~x?A", "repeat2 if{x} then{G{A}}"},
           {"", "G{}"},
       }) {
    EXPECT_EQ(Describe(ParseGroupCall(inside)), expected) << inside;
  }
  EXPECT_EQ(RollModifierValue(ParseCallTarget("Gem-2.5")), -2);
  EXPECT_THROW(RollModifierValue(ParseCallTarget("Gem+32768")), EngineError);
  EXPECT_EQ(CallParameters(ParseCallTarget("Gem()")), std::vector<std::string>{""});
  EXPECT_EQ(SkipPrefixes("CC~N2~RS~Random Inn.Name+2"), "Random Inn.Name+2");
  EXPECT_TRUE(IsBareGroupName("Old Coin"));
  EXPECT_FALSE(IsBareGroupName("Coin(1)"));
}

TEST(SyntaxCallTest, StartCallsNameATableAndReadParametersOnlyForStartGroups) {
  for (const auto& [call, expected] : Pairs{
           {"[Loot]", "Loot/-/"},
           {"[N3~Loot.Start(1,2)+1]", "Loot/Start/1,2"},
           {"<Loot.start(x)>", "Loot/start/x"},
           {"[Loot.Other(1)]", "Loot/Other(1)/"},
       }) {
    const StartCallSyntax syntax = ParseStartCall(call);
    EXPECT_EQ(std::string(syntax.table) + "/" +
                  (syntax.has_group ? std::string(syntax.group) : "-") + "/" +
                  std::string(syntax.parameters),
              expected)
        << call;
  }
  EXPECT_EQ(WithCallBrackets("Loot"), "[Loot]");
  EXPECT_EQ(WithCallBrackets("[Loot]"), "[Loot]");
}

TEST(SyntaxCallTest, BlocksCutAtTheirFirstSeparatorOutsideEveryConstruct) {
  const auto cut = [](std::string_view inside) {
    const ControlBlockSyntax block = ParseControlBlock(inside);
    if (!block.separated) return "unseparated:" + std::string(block.block);
    return std::string(block.head) + "|" + std::string(block.body) +
           (block.has_else ? "|" + std::string(block.other) : "");
  };
  for (const auto& [inside, expected] : Pairs{
           {"If~[a?b]?c/d", "[a?b]|c|d"},
           {"If~x?{a/b}/c%/%d/e", "x|{a/b}|c%/%d/e"},
           {"If~1=1?<b>yes</b>/no", "1=1|<b>yes<|b>/no"},
           {"If~x?y", "x|y"},
           {"Loop~{Max~1,2},x,y", "{Max~1,2}|x,y"},
           {"While~%a,b%|c,d|,e", "%a,b%|c,d||e"},
           {"If~[x]", "unseparated:[x]"},
       }) {
    EXPECT_EQ(cut(inside), expected) << inside;
  }
  EXPECT_EQ(BlockKindOf("if~1=1?a"), BlockKind::kNone);
}

TEST(SyntaxCallTest, ConditionsAssignmentsFunctionsAndPartnersReadByTheirRules) {
  const auto comparison = [](std::string_view condition) {
    const std::optional<ComparisonSyntax> c = FindComparison(condition);
    return c ? std::string(c->left) + " " + std::string(c->op) + " " + std::string(c->right)
             : std::string("none");
  };
  EXPECT_EQ(comparison("a=b<=c"), "a=b <= c");  // "<=" is tried first
  EXPECT_EQ(comparison(" 10 >9 "), "10 > 9");
  EXPECT_EQ(comparison("abc"), "none");

  const AssignmentSyntax spaced = ParseAssignment(" x = 5");
  EXPECT_EQ(std::string(spaced.name) + spaced.op + std::string(spaced.operand), "x= 5");
  EXPECT_EQ(ParseAssignment("x=-5").op, '=');  // the first operator decides
  EXPECT_FALSE(ParseAssignment("abc").has_operator);

  const FunctionCallSyntax dice = ParseFunctionCall("3d6");
  EXPECT_TRUE(dice.dice);
  EXPECT_EQ(std::string(dice.name) + "~" + std::string(dice.arguments), "Dice~3d6");
  const FunctionCallSyntax upper = ParseFunctionCall("UCase~a~b");
  EXPECT_EQ(std::string(upper.name) + "|" + std::string(upper.arguments), "UCase|a~b");

  EXPECT_EQ(FindPartner("[a/]b]", 0), 5u);
  EXPECT_EQ(FindPartner("{a{b}/}c}", 0), 6u);  // braces have no escape
  EXPECT_EQ(FindPartner("[a{]}", 0), 3u);
  EXPECT_EQ(FindPartner("{a", 0), kNoPosition);
  EXPECT_EQ(RemoveEscapes("/%x/[y/]z/"), "%x[y]z/");
}

}  // namespace
}  // namespace fablewick
