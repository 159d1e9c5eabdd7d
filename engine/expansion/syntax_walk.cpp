#include "engine/expansion/syntax_walk.h"

namespace fablewick {

std::size_t TextPattern::Position(std::size_t at) const {
  std::size_t position = base_ + at;
  for (const Stand& stand : stands_) {
    if (stand.at >= at) break;
    position += stand.end - stand.begin - 1;
  }
  return position;
}

std::size_t TextPattern::Begin(std::string_view part) const {
  return Position(static_cast<std::size_t>(part.data() - text().data()));
}

std::size_t TextPattern::End(std::string_view part) const {
  if (part.empty()) return Begin(part);
  const std::size_t last = static_cast<std::size_t>(part.data() - text().data()) + part.size() - 1;
  for (const Stand& stand : stands_) {
    if (stand.at == last) return stand.end;
  }
  return Position(last) + 1;
}

class EntryTextWalker {
 public:
  explicit EntryTextWalker(SyntaxVisitor& visitor) : visitor_(visitor) {}

  // Walks `text`, which begins at `base` in the entry text and is held by `depth` constructs,
  // and makes `pattern` what the construct holding it sees of it.
  void Walk(std::string_view text, std::size_t base, int depth, TextPattern& pattern) {
    pattern.written_ = text;
    pattern.base_ = base;
    std::size_t literal = 0;  // the literal text not yet copied to the pattern starts here
    std::size_t p = 0;
    while (p < text.size()) {
      const char c = text[p];
      ConstructKind kind;
      std::size_t close;
      if (c == '|' || (c == '%' && !IsEscaped(text, p))) {
        close = text.find(c, p + 1);
        if (close == kNoPosition) {  // without a partner, it is literal text
          ++p;
          continue;
        }
        kind = c == '|' ? ConstructKind::kAssignment : ConstructKind::kVariableRead;
      } else if ((c == '[' && !IsEscaped(text, p)) || c == '{') {
        close = FindPartner(text, p);
        kind = c == '[' ? ConstructKind::kGroupCall : ConstructKind::kFunctionCall;
      } else {
        if (IsEscape(text, p)) visitor_.Escape(base + p);
        ++p;
        continue;
      }
      const bool closed = close != kNoPosition;
      const std::size_t end = closed ? close + 1 : text.size();
      if (!pattern.owned_) pattern.copy_.clear();
      pattern.owned_ = true;
      pattern.copy_.append(text.substr(literal, p - literal));
      pattern.stands_.push_back({pattern.copy_.size(), base + p, base + end});
      pattern.copy_ += kMadeWhileRolling;
      Read(kind, text.substr(p, end - p), base + p, closed, depth);
      p = literal = end;
    }
    if (pattern.owned_) pattern.copy_.append(text.substr(literal));
  }

 private:
  // Reads the construct written as `written` at `begin`.
  void Read(ConstructKind kind, std::string_view written, std::size_t begin, bool closed,
            int depth) {
    const std::string_view inside = written.substr(1, written.size() - (closed ? 2 : 1));
    if (kind == ConstructKind::kFunctionCall && BlockKindOf(inside) != BlockKind::kNone) {
      kind = ConstructKind::kControlBlock;
    }
    TextPattern pattern;
    const bool too_deep = depth >= kMaxWalkedNesting;
    if (too_deep || kind == ConstructKind::kControlBlock) {
      pattern.written_ = inside;
      pattern.base_ = begin + 1;
    } else {
      Walk(inside, begin + 1, depth + 1, pattern);
    }
    const Construct construct{kind, begin, begin + written.size(), closed, depth, written, pattern};
    if (too_deep) return visitor_.TooDeep(construct);
    if (kind == ConstructKind::kControlBlock) return ReadBlock(construct);
    switch (kind) {
      case ConstructKind::kVariableRead:
        return visitor_.VariableRead(construct, VariableName(pattern.text()));
      case ConstructKind::kAssignment:
        return visitor_.Assignment(construct, ParseAssignment(pattern.text()));
      case ConstructKind::kGroupCall:
        return visitor_.GroupCall(construct, ParseGroupCall(pattern.text()));
      default:
        return visitor_.FunctionCall(construct, ParseFunctionCall(pattern.text()));
    }
  }

  // A block is cut as written, and each of its parts is a text of its own: the expander
  // expands them apart.
  void ReadBlock(const Construct& construct) {
    const TextPattern& pattern = construct.inside;
    const ControlBlockSyntax block = ParseControlBlock(pattern.text());
    TextPattern head, body, other;
    BlockPatterns parts;
    const auto walk = [&](std::string_view part, TextPattern& part_pattern) {
      Walk(part, pattern.Begin(part), construct.depth + 1, part_pattern);
      return &part_pattern;
    };
    if (!block.separated) {
      parts.head = walk(block.block, head);
    } else {
      parts.head = walk(block.head, head);
      if (visitor_.FollowsPart(block, head, false)) parts.body = walk(block.body, body);
      if (block.has_else && visitor_.FollowsPart(block, head, true)) {
        parts.other = walk(block.other, other);
      }
    }
    visitor_.ControlBlock(construct, block, parts);
  }

  SyntaxVisitor& visitor_;
};

void WalkEntryText(std::string_view text, SyntaxVisitor& visitor) {
  TextPattern pattern;
  EntryTextWalker(visitor).Walk(text, 0, 0, pattern);
}

}  // namespace fablewick
