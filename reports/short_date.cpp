#include "reports/short_date.h"

#include <array>
#include <cctype>

#include "storage/file_names.h"

namespace kerfolio {
namespace {

enum class Kind { Day, Month, MonthName, Year, Weekday, Text };

struct Token {
    Kind kind;
    int letters = 0;   // how many times the letter stood
    std::string text;  // for Text
};

std::vector<Token> Tokens(std::string_view pattern) {
    std::vector<Token> tokens;
    const auto text = [&](std::string_view piece) {
        if (tokens.empty() || tokens.back().kind != Kind::Text) tokens.push_back({Kind::Text, 0, {}});
        tokens.back().text += AsInFileName(piece);
    };
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'') {
            // 'text' stands as it is; '' is one quote.
            const std::size_t close = pattern.find('\'', i + 1);
            if (close == i + 1) {
                text("'");
                i += 2;
                continue;
            }
            text(pattern.substr(i + 1,
                                close == std::string_view::npos ? std::string_view::npos : close - i - 1));
            i = close == std::string_view::npos ? pattern.size() : close + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == 'd') {
            tokens.push_back({run >= 3 ? Kind::Weekday : Kind::Day, int(run), {}});
        } else if (c == 'M') {
            tokens.push_back({run >= 3 ? Kind::MonthName : Kind::Month, int(run), {}});
        } else if (c == 'y') {
            tokens.push_back({Kind::Year, int(run), {}});
        } else {
            text(pattern.substr(i, run));
        }
        i += run;
    }
    return tokens;
}

constexpr std::array<std::string_view, 24> kEnglishMonths = {
    "Jan", "Feb",  "Mar",  "Apr",    "May",       "Jun",      "Jul",      "Aug",
    "Sep", "Oct",  "Nov",  "Dec",    "January",   "February", "March",    "April",
    "May", "June", "July", "August", "September", "October",  "November", "December"};

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

struct Fields {
    int day = 0, month = 0, year = -1;
};

class Matcher {
  public:
    Matcher(const std::vector<Token>& tokens, const ShortDateFormat& format, std::string_view stem)
        : tokens_(tokens), format_(format), stem_(stem) {}

    // Whether the tokens from t on match the stem from s on; fields then hold what they read.
    bool Match(std::size_t t, std::size_t s, Fields fields) {
        if (t == tokens_.size()) {
            if (s != stem_.size()) return false;
            found_ = fields;
            return true;
        }
        const Token& token = tokens_[t];
        switch (token.kind) {
            case Kind::Text:
                return stem_.substr(s).starts_with(token.text) && Match(t + 1, s + token.text.size(), fields);
            case Kind::Day:
            case Kind::Month:
            case Kind::Year: {
                // d and M take one or two digits, dd and MM two, yy two and yyyy four.
                const std::size_t most = token.kind == Kind::Year ? (token.letters >= 4 ? 4 : 2) : 2;
                const std::size_t least = token.letters >= 2 ? most : 1;
                int value = 0;
                for (std::size_t n = 1; n <= most && s + n <= stem_.size(); ++n) {
                    const char c = stem_[s + n - 1];
                    if (!std::isdigit(static_cast<unsigned char>(c))) break;
                    value = value * 10 + (c - '0');
                    if (n < least) continue;
                    Fields next = fields;
                    (token.kind == Kind::Day     ? next.day
                     : token.kind == Kind::Month ? next.month
                                                 : next.year) =
                        token.kind == Kind::Year && n == 2 ? 2000 + value : value;
                    if (Match(t + 1, s + n, next)) return true;
                }
                return false;
            }
            case Kind::MonthName: {
                for (std::size_t m = 0; m < 24; ++m) {
                    const std::string name = format_.monthNames.size() == 24
                                                 ? AsInFileName(format_.monthNames[m])
                                                 : std::string(kEnglishMonths[m]);
                    if (name.empty() || !SameLetters(stem_.substr(s, name.size()), name)) continue;
                    Fields next = fields;
                    next.month = int(m % 12) + 1;
                    if (Match(t + 1, s + name.size(), next)) return true;
                }
                return false;
            }
            case Kind::Weekday:
                // Whatever the locale calls the day: letters up to the next digit.
                for (std::size_t n = 1; s + n <= stem_.size(); ++n) {
                    if (std::isdigit(static_cast<unsigned char>(stem_[s + n - 1]))) break;
                    if (Match(t + 1, s + n, fields)) return true;
                }
                return false;
        }
        return false;
    }

    Fields found_;

  private:
    const std::vector<Token>& tokens_;
    const ShortDateFormat& format_;
    std::string_view stem_;
};

}  // namespace

std::optional<Day> ReadShortDate(std::string_view stem, const ShortDateFormat& format) {
    const std::vector<Token> tokens = Tokens(format.pattern);
    bool day = false, month = false, year = false;
    for (const Token& token : tokens) {
        day = day || token.kind == Kind::Day;
        month = month || token.kind == Kind::Month || token.kind == Kind::MonthName;
        year = year || token.kind == Kind::Year;
    }
    if (!day || !month || !year) return std::nullopt;
    Matcher matcher(tokens, format, stem);
    if (!matcher.Match(0, 0, {})) return std::nullopt;
    return MakeDay(matcher.found_.year, matcher.found_.month, matcher.found_.day);
}

std::optional<DateOrder> ParseDateOrder(std::string_view text) {
    if (text == "dmy") return DateOrder::DayMonthYear;
    if (text == "mdy") return DateOrder::MonthDayYear;
    if (text == "ymd") return DateOrder::YearMonthDay;
    return std::nullopt;
}

}  // namespace kerfolio
