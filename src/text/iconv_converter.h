#pragma once

#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace lumo::text {

// One iconv descriptor. A descriptor keeps conversion state, so an instance
// must not be used by two threads at once; give each thread its own.
class IconvConverter {
public:
    // How a failed spot is stepped over: from UTF-8 the whole broken or
    // unmappable character, from other charsets one byte.
    enum class Source { Utf8, Other };

    // The outcome of one plain iconv call, for probing what iconv does.
    struct Step {
        int error = 0;          // 0, or the errno iconv reported
        size_t consumed = 0;    // input bytes iconv took
        std::string output;
    };

    IconvConverter(const char* to, const char* from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    bool IsOpen() const;

    // Converts the whole input and never stops at a bad spot: an input
    // character that cannot be read or cannot be written becomes
    // `replacement` and the conversion goes on behind it. A character cut
    // off by the end of the input becomes one `replacement` for the rest.
    std::string ConvertAll(std::string_view input, Source source, std::string_view replacement);

    // One iconv call over a short input (its output must fit 256 bytes, or
    // the step ends with E2BIG) from the initial state, with no recovery.
    Step ConvertOnce(std::string_view input);

private:
    iconv_t cd_;
};

}  // namespace lumo::text
