#include "startup/SettingsRules.h"

#include "platform/text/Cp1252.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace tavrel::startup {

using text::trimBlanks;

QString ruleText(bool found, const QString& value) { return found ? value : QString(); }

QString ruleTrim(bool found, const QString& value) { return found ? trimBlanks(value) : QString(); }

std::optional<QString> ruleFoundTrim(bool found, const QString& value) {
  if (!found) return std::nullopt;
  return trimBlanks(value);
}

bool ruleYes(bool found, const QString& value) { return found && value == QLatin1String("Yes"); }

bool ruleUcYes(bool found, const QString& value) {
  return found && value.toUpper() == QLatin1String("YES");
}

bool ruleUctYes(bool found, const QString& value) {
  return found && trimBlanks(value).toUpper() == QLatin1String("YES");
}

bool ruleNotNo(bool found, const QString& value) { return !(found && value == QLatin1String("No")); }

bool ruleUM(bool found, const QString& value) { return !found || value == QLatin1String("Yes"); }

qint64 ruleNumber(bool found, const QString& value) {
  if (!found) return 0;
  return roundHalfEven(leadingNumber(value));
}

double leadingNumber(const QString& value) {
  std::string s;
  bool digitsSeen = false, pointSeen = false, expSeen = false;
  std::string exponent;
  for (QChar qc : value) {
    const char16_t c = qc.unicode();
    if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') continue;
    if (expSeen) {
      if ((c == u'+' || c == u'-') && exponent.empty()) {
        exponent.push_back(static_cast<char>(c));
        continue;
      }
      if (c >= u'0' && c <= u'9') {
        exponent.push_back(static_cast<char>(c));
        continue;
      }
      break;
    }
    if ((c == u'+' || c == u'-') && s.empty()) {
      s.push_back(static_cast<char>(c));
      continue;
    }
    if (c >= u'0' && c <= u'9') {
      s.push_back(static_cast<char>(c));
      digitsSeen = true;
      continue;
    }
    if (c == u'.' && !pointSeen) {
      s.push_back('.');
      pointSeen = true;
      continue;
    }
    if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && digitsSeen) {
      expSeen = true;
      continue;
    }
    break;
  }
  if (!digitsSeen) return 0.0;
  bool expDigits = false;
  for (char c : exponent) expDigits |= (c >= '0' && c <= '9');
  if (expDigits) s += "e" + exponent;
  // from_chars is independent of the C locale, which QCoreApplication sets from the environment.
  const char* first = s.data();
  if (*first == '+') ++first;
  double out = 0.0;
  const auto r = std::from_chars(first, s.data() + s.size(), out);
  if (r.ec == std::errc::result_out_of_range) {
    const bool tiny = exponent.find('-') != std::string::npos;
    if (tiny) return 0.0;
    return s[0] == '-' ? -std::numeric_limits<double>::infinity()
                       : std::numeric_limits<double>::infinity();
  }
  return out;
}

qint64 roundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kMax = 9.2233720368547748e18;
  if (v >= kMax) return std::numeric_limits<qint64>::max();
  if (v <= -kMax) return std::numeric_limits<qint64>::min();
  return static_cast<qint64>(std::nearbyint(v));  // the default rounding mode is half to even
}

}  // namespace tavrel::startup
