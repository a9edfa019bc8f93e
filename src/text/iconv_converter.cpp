#include "text/iconv_converter.h"

#include <array>
#include <cerrno>

#include "text/utf8.h"

namespace lumo::text {
namespace {

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

}  // namespace

IconvConverter::IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}

IconvConverter::~IconvConverter() {
    if (cd_ != kNoIconv) iconv_close(cd_);
}

bool IconvConverter::IsOpen() const { return cd_ != kNoIconv; }

std::string IconvConverter::ConvertAll(std::string_view input, Source source,
                                       std::string_view replacement) {
    std::string result;
    if (!IsOpen()) return result;
    result.reserve(input.size() + input.size() / 2 + 16);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 16384> buffer;
    // iconv does not write through its input pointer; the cast only meets
    // its C signature.
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t rc = iconv(cd_, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        result.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
        if (rc != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        if (error == EILSEQ || error == EINVAL) {
            size_t skip = 1;
            if (source == Source::Utf8) {
                const size_t pos = static_cast<size_t>(in - input.data());
                skip = Utf8CharLength(input, pos);
            }
            if (error == EINVAL || skip > inLeft) skip = inLeft;
            result.append(replacement);
            in += skip;
            inLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        // Any other failure: keep what was converted and end with a mark.
        result.append(replacement);
        break;
    }
    // Stateful charsets may still owe a shift sequence.
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    iconv(cd_, nullptr, nullptr, &out, &outLeft);
    result.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
    return result;
}

IconvConverter::Step IconvConverter::ConvertOnce(std::string_view input) {
    Step step;
    if (!IsOpen()) {
        step.error = EBADF;
        return step;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 256> buffer;
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    const size_t rc = iconv(cd_, &in, &inLeft, &out, &outLeft);
    if (rc == static_cast<size_t>(-1)) step.error = errno;
    if (step.error == 0) iconv(cd_, nullptr, nullptr, &out, &outLeft);
    step.consumed = input.size() - inLeft;
    step.output.assign(buffer.data(), static_cast<size_t>(out - buffer.data()));
    return step;
}

}  // namespace lumo::text
