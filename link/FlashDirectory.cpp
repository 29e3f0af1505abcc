#include "FlashDirectory.h"

#include <algorithm>
#include <cctype>

#include "text/Text.h"

namespace {

std::string TrimEnd(std::string_view text) {
  return std::string(TrimTrailingBlanks(text));
}

}  // namespace

FlashDirectory SplitFlashDirectory(const std::string& text) {
  FlashDirectory directory;
  const size_t firstCr = text.find('\r');
  if (firstCr == std::string::npos) {
    if (!text.empty()) directory.entries.push_back(text);
    return directory;
  }
  size_t pos = 0;
  if (firstCr > 0) {
    directory.summary = TrimEnd(text.substr(0, firstCr));
    pos = firstCr + 1;
  }
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos >= text.size()) break;
    const size_t cr = text.find('\r', pos);
    const size_t end = cr == std::string::npos ? text.size() : cr;
    directory.entries.push_back(TrimEnd(text.substr(pos, end - pos)));
    pos = end == text.size() ? end : end + 1;
  }
  return directory;
}

namespace {

long long SizeFromLine(const std::string& line) {
  long long size = 0;
  for (size_t at = 0; (at = line.find_first_of("bB", at)) != std::string::npos; ++at) {
    std::string word = line.substr(at, 5);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool wordEnds =
        at + 5 >= line.size() || !std::isalnum(static_cast<unsigned char>(line[at + 5]));
    if (word != "bytes" || !wordEnds) continue;
    size_t end = at;
    while (end > 0 && line[end - 1] == ' ') --end;
    size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(line[begin - 1])) &&
           end - begin < 12)
      --begin;
    if (begin == end || (begin > 0 && std::isalnum(static_cast<unsigned char>(line[begin - 1]))))
      continue;
    size = std::stoll(line.substr(begin, end - begin));
  }
  return size;
}

// Letters and digits of ASCII and of Latin-1 (the directory's bytes are shown as Latin-1).
bool IsNameLetter(unsigned char c) {
  return (c < 0x80 && std::isalnum(static_cast<unsigned char>(c))) ||
         (c >= 0xC0 && c != 0xD7 && c != 0xF7) || c == '-' || c == '_' || c == '.';
}

bool EndsWith57x(const std::string& name) {
  if (name.size() < 4) return false;
  const char* tail = name.c_str() + name.size() - 4;
  return tail[0] == '.' && tail[1] == '5' && tail[2] == '7' && (tail[3] == 'x' || tail[3] == 'X');
}

std::string NameFromLine(const std::string& line) {
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    const size_t end = std::min(line.find(' ', at), line.size());
    std::string name;
    for (size_t i = at; i < end; ++i) {
      if (IsNameLetter(static_cast<unsigned char>(line[i]))) name += line[i];
    }
    at = end;
    const size_t length = EndsWith57x(name) ? name.size() - 4 : name.size();
    long long ignored = 0;
    const std::string_view stem(name.data(), length);
    const bool number = ParseInteger(stem, -999999999999999999LL, 999999999999999999LL, ignored);
    if (!stem.empty() && !number && stem != "bytes") return std::string(stem);
  }
  return {};
}

}  // namespace

FlashEntry ParseFlashEntry(const std::string& line) {
  FlashEntry entry;
  entry.name = NameFromLine(line);
  entry.size = SizeFromLine(line);
  return entry;
}
