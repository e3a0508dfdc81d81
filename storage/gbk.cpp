#include "storage/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kerfolio {
namespace {

// Code page 936 rather than plain GBK so 0x80 is the euro sign, as on the systems that made the files.
constexpr char kGbkName[] = "CP936";

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        // iconv_open's failure value is (iconv_t)-1, so the cast is the interface's own.
        const auto failed = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
        if (cd_ == failed) throw std::runtime_error("iconv cannot convert to GBK");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much of in as it can; returns false at the first sequence it cannot convert
    // (in then points at it). out receives everything converted so far.
    bool Convert(std::string_view& in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[4096];
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        bool ok = true;
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
                ok = false;
                break;
            }
        }
        in = std::string_view(inPtr, inLeft);
        return ok;
    }

  private:
    iconv_t cd_;
};

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when it is malformed.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto isTrail = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return isTrail(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!isTrail(1) || !isTrail(2)) return 0;
        if (lead == 0xE0 && byte(1) < 0xA0) return 0;   // overlong
        if (lead == 0xED && byte(1) >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!isTrail(1) || !isTrail(2) || !isTrail(3)) return 0;
        if (lead == 0xF0 && byte(1) < 0x90) return 0;
        if (lead == 0xF4 && byte(1) >= 0x90) return 0;
        return 4;
    }
    return 0;
}

}  // namespace

std::string ToGbk(std::string_view utf8) {
    thread_local Converter converter(kGbkName, "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    while (!converter.Convert(utf8, out)) {
        // Either malformed UTF-8 or a character outside GBK: one "?" for it either way.
        std::size_t length = Utf8SequenceLength(utf8);
        out.push_back('?');
        utf8.remove_prefix(length == 0 ? 1 : length);
    }
    return out;
}

std::string CharactersOutsideGbk(std::string_view utf8) {
    thread_local Converter converter(kGbkName, "UTF-8");
    std::string outside;
    std::string ignored;
    while (!converter.Convert(utf8, ignored)) {
        const std::size_t length = Utf8SequenceLength(utf8);
        const std::string character =
            length == 0 ? std::string("\xEF\xBF\xBD") : std::string(utf8.substr(0, length));
        // Substring search is safe here: a whole UTF-8 character never starts inside another one.
        if (outside.find(character) == std::string::npos) outside += character;
        utf8.remove_prefix(length == 0 ? 1 : length);
    }
    return outside;
}

std::string FromGbk(std::string_view gbk) {
    thread_local Converter converter("UTF-8", kGbkName);
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    while (!converter.Convert(gbk, out)) {
        out.append("\xEF\xBF\xBD");
        gbk.remove_prefix(1);
    }
    return out;
}

std::string_view GbkPrefix(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t next = end + GbkCharLength(text, end);
        if (next > maxBytes) break;
        end = next;
    }
    return text.substr(0, end);
}

}  // namespace kerfolio
