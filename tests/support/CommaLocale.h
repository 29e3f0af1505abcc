#pragma once
// A decimal-comma locale for one test, so that a test can show that our text ignores it: set for
// the C library (printf would write "1,5") and, where the standard library can make it, as the
// C++ global locale. Linux calls it "de_DE.UTF-8" (scripts/deps.sh generates it), Windows
// "German_Germany.1252". The "C" locale is back when the object goes.
//
//   CommaLocale comma;
//   if (!comma.Armed()) GTEST_SKIP() << comma.Why();

#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale>
#include <stdexcept>
#include <string>

class CommaLocale {
 public:
  CommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) {
        m_name = name;
        break;
      }
    }
    if (m_name == nullptr) return;
    // libstdc++ on Windows knows only the "C" locale; the C library's is the one that matters.
    try {
      std::locale::global(std::locale(m_name));
      m_global = true;
    } catch (const std::runtime_error&) {
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    m_armed = std::strcmp(probe, "1,5") == 0;
  }
  ~CommaLocale() {
    if (m_global) std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  // True when the locale is set and printf writes a decimal comma under it.
  bool Armed() const { return m_armed; }
  std::string Why() const {
    if (m_name == nullptr)
      return "no German locale (de_DE.UTF-8, German_Germany.1252) is installed";
    return std::string("printf writes no decimal comma under ") + m_name;
  }

 private:
  const char* m_name = nullptr;
  bool m_global = false;
  bool m_armed = false;
};
