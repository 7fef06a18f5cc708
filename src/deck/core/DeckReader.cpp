#include "deck/core/DeckReader.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "deck/core/VelfDeck.h"
#include "platform/ShownText.h"
#include "shared/Numbers.h"

namespace tsly::deck {

std::string DeckFault::message() const {
  if (line <= 0) return what;
  return "line " + std::to_string(line) + " \"" + shownLine(lineText) + "\": " + what;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool blankLine(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return isBlank(c); });
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

struct Token {
  std::string_view text;  // within the deck's text
  double value = 0.0;
  std::string shown() const;
};

// A piece of a line quoted in a fault: at most 30 characters, escaped.
std::string shown(std::string_view s) { return shownText(s, 30); }
std::string Token::shown() const { return deck::shown(text); }

// The most numbers one line may hold: a CDP and 32767 time/velocity pairs
// (Tessaly writes at most 20).
constexpr std::size_t MaxNumbersPerLine = 1 + 2 * 32767;

// Splits the numbers of a *NMOT or VELF line. A number may follow the previous
// one without a blank when it starts with its own sign ("101-5"). Returns the
// fault text, or "" when every field is a number.
std::string splitNumbers(std::string_view s, std::vector<Token>& out) {
  out.clear();
  size_t i = 0;
  while (i < s.size()) {
    if (isBlank(s[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    i = numberEnd(s, start);
    bool good = i != start;
    // A number ends at a blank, at the end, or where the next one's sign begins.
    if (good && i < s.size() && !isBlank(s[i]) && s[i] != '-' && s[i] != '+') good = false;
    if (!good) {
      size_t end = start;
      while (end < s.size() && !isBlank(s[end])) ++end;
      return "\"" + shown(s.substr(start, end - start)) + "\" is not a number";
    }
    Token t;
    t.text = s.substr(start, i - start);
    t.value = readNumber(t.text);
    if (!std::isfinite(t.value) || std::fabs(t.value) > 3.0e38) return t.shown() + " is out of range";
    if (out.size() == MaxNumbersPerLine)
      return "more than " + std::to_string(MaxNumbersPerLine) + " numbers on one line";
    out.push_back(t);
  }
  return {};
}

enum class Kind { Inpf, Nmot, Velf, Outf, End, Unknown };

Kind kindOf(std::string_view s) {
  const std::string_view inpf = velf::InpfKeyword, nmot = velf::NmotKeyword, outf = velf::OutfKeyword;
  // "*INPF" alone (a name never typed) counts as the keyword with no name.
  auto keyword = [&](std::string_view k) {
    const std::string_view bare = k.substr(0, k.size() - 1);
    return startsWith(s, k) || s == bare;
  };
  if (keyword(inpf)) return Kind::Inpf;
  if (keyword(nmot)) return Kind::Nmot;
  if (keyword(outf)) return Kind::Outf;
  const std::string_view velfKw = velf::VelfKeyword;
  if (startsWith(s, velfKw)) {
    if (s.size() == velfKw.size()) return Kind::Velf;
    const char next = s[velfKw.size()];
    if (isBlank(next) || next == '-' || next == '+') return Kind::Velf;
  }
  const std::string_view end = velf::EndLine;
  if (startsWith(s, end) && blankLine(s.substr(end.size()))) return Kind::End;
  return Kind::Unknown;
}

std::string firstWord(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && isBlank(s[b])) ++b;
  size_t e = b;
  while (e < s.size() && !isBlank(s[e])) ++e;
  return std::string(s.substr(b, e - b));
}

class Reader {
 public:
  DeckReadResult run(std::string_view text);

 private:
  bool fail(std::string what) {
    result_.fault.line = lineNo_;
    result_.fault.lineText = std::string(line_);
    result_.fault.what = std::move(what);
    return false;
  }
  bool failDeck(std::string what) {
    result_.fault = DeckFault{0, {}, std::move(what)};
    return false;
  }
  bool once(int& seenAt, const char* keyword) {
    if (seenAt != 0)
      return fail(std::string("a second ") + keyword + " line (the first is line " + std::to_string(seenAt) + ")");
    seenAt = lineNo_;
    return true;
  }
  bool fileName(std::string& name, const char* keyword, const char* what) {
    const std::string_view kw = keyword;
    name = line_.size() > kw.size() ? std::string(line_.substr(kw.size())) : std::string();
    if (blankLine(name)) return fail(std::string(kw.substr(0, kw.size() - 1)) + " names no " + what);
    return true;
  }
  bool nmot();
  bool velfLine();
  bool line(Kind k);

  DeckReadResult result_;
  std::string_view line_;
  int lineNo_ = 0;
  int inpfAt_ = 0, nmotAt_ = 0, outfAt_ = 0, endAt_ = 0;
  std::map<int, int> velfAt_;  // CDP -> line
};

bool Reader::nmot() {
  if (!once(nmotAt_, "*NMOT")) return false;
  std::vector<Token> t;
  const std::string_view kw = velf::NmotKeyword;
  std::string bad = splitNumbers(line_.size() > kw.size() ? line_.substr(kw.size()) : std::string_view(), t);
  if (!bad.empty()) return fail(bad);
  if (t.size() != 2) return fail("*NMOT wants the stretch and the recording-delay switch (0 or 1)");
  const float stretch = static_cast<float>(t[0].value);
  if (!velf::stretchAccepted(stretch)) return fail("stretch " + t[0].shown() + " is outside .2 to .99");
  if (t[1].value != 0.0 && t[1].value != 1.0)
    return fail("recording-delay switch " + t[1].shown() + " is neither 0 nor 1");
  result_.deck.stretch = stretch;
  result_.deck.delaySwitch = static_cast<std::int16_t>(t[1].value);
  return true;
}

bool Reader::velfLine() {
  std::vector<Token> t;
  const std::string_view kw = velf::VelfKeyword;
  std::string bad = splitNumbers(line_.substr(kw.size()), t);
  if (!bad.empty()) return fail(bad);
  if (t.empty()) return fail("VELF names no CDP");
  const double c = t[0].value;
  if (c != std::floor(c) || c < -32768.0 || c > 32767.0)
    return fail("CDP " + t[0].shown() + " is not a whole number from -32768 to 32767");
  const int cdp = static_cast<int>(c);
  if (t.size() == 1) return fail("VELF" + numberText(cdp) + " has no time/velocity pairs");
  if (t.size() % 2 == 0)
    return fail("time " + t.back().shown() + " has no velocity (the values after the CDP come in pairs)");
  if (auto it = velfAt_.find(cdp); it != velfAt_.end())
    return fail("a second VELF line for CDP" + numberText(cdp) + " (the first is line " + std::to_string(it->second) +
                ")");
  DeckFunction f;
  f.cdp = static_cast<std::int16_t>(cdp);
  f.line = lineNo_;
  for (size_t k = 1; k + 1 < t.size(); k += 2) {
    const Token& time = t[k];
    const Token& vel = t[k + 1];
    // Compared as the run holds them, in single precision: 1E-50 is 0 there.
    const float ms = static_cast<float>(time.value), v = static_cast<float>(vel.value);
    if (time.value < 0.0) return fail("time " + time.shown() + " is negative");
    if (k > 1 && !(ms > static_cast<float>(t[k - 2].value)))
      return fail("times not ascending: " + time.shown() + " follows " + t[k - 2].shown());
    if (!(vel.value > 0.0)) return fail("velocity " + vel.shown() + " at " + time.shown() + " ms is not positive");
    if (!(v > 0.0f)) return fail("velocity " + vel.shown() + " at " + time.shown() + " ms is too small");
    f.picks.push_back(VelocityPick{ms, v});
  }
  velfAt_[cdp] = lineNo_;
  result_.deck.functions.push_back(std::move(f));
  return true;
}

bool Reader::line(Kind k) {
  if (endAt_ != 0) return fail("text after >>END (line " + std::to_string(endAt_) + ")");
  switch (k) {
    case Kind::Inpf:
      if (!once(inpfAt_, "*INPF")) return false;
      result_.deck.inputLine = lineNo_;
      result_.deck.inputLineText = std::string(line_);
      return fileName(result_.deck.inputFile, velf::InpfKeyword, "data file");
    case Kind::Nmot: return nmot();
    case Kind::Velf: return velfLine();
    case Kind::Outf:
      if (!once(outfAt_, "*OUTF")) return false;
      result_.deck.outputLine = lineNo_;
      result_.deck.outputLineText = std::string(line_);
      return fileName(result_.deck.outputFile, velf::OutfKeyword, "output file");
    case Kind::End: endAt_ = lineNo_; return true;
    case Kind::Unknown: break;
  }
  return fail("unknown keyword \"" + shown(firstWord(line_)) + "\" (deck lines begin *INPF, *NMOT, VELF, *OUTF or >>END)");
}

DeckReadResult Reader::run(std::string_view text) {
  // A byte-order mark some editors put in front is no part of the first line.
  if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  bool any = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string_view l = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    ++lineNo_;
    line_ = l;
    if (blankLine(l)) continue;
    any = true;
    if (!line(kindOf(l))) return result_;
  }
  if (!any) return failDeck("the deck is empty"), result_;
  if (inpfAt_ == 0) return failDeck("the deck has no *INPF line (the data file to move out)"), result_;
  if (nmotAt_ == 0) return failDeck("the deck has no *NMOT line (stretch and recording-delay switch)"), result_;
  if (velfAt_.empty()) return failDeck("the deck has no VELF line (no velocity function)"), result_;
  if (outfAt_ == 0) return failDeck("the deck has no *OUTF line (the output file)"), result_;
  if (endAt_ == 0) return failDeck("the deck does not end with >>END"), result_;
  std::stable_sort(result_.deck.functions.begin(), result_.deck.functions.end(),
                   [](const DeckFunction& a, const DeckFunction& b) { return a.cdp < b.cdp; });
  result_.ok = true;
  return result_;
}

}  // namespace

DeckReadResult readDeck(std::string_view text) {
  Reader r;
  return r.run(text);
}

MoveoutJob moveoutJob(const NmoDeck& deck) {
  MoveoutJob job;
  job.inputPath = deck.inputFile;
  job.outputPath = deck.outputFile;
  for (const auto& f : deck.functions) job.functions.push_back({f.cdp, f.picks});
  job.stretch = deck.stretch;
  job.useRecordingDelay = deck.delaySwitch == 1;
  return job;
}

}  // namespace tsly::deck
