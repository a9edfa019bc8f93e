#include "sim/services_file.h"

#include <unistd.h>

#include <cstdio>

#include "sim/sim_context.h"

namespace lumo::sim {

std::string ServicesFileText(const SimContext& context) {
    std::string text =
        "; Addresses of the outside services of Lumo, written by lumo-sim when it started.\n"
        "; Lumo reads this file when the environment variable LUMO_SERVICES names it.\n"
        "[services]\n";
    for (int i = 0; i < kServiceCount; ++i) {
        const Service service = ServiceAt(i);
        text += ServiceName(service) + "=" + context.BaseAddress(service) + "\n";
    }
    return text;
}

bool WriteFileAtomically(const std::filesystem::path& path, const std::string& text, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why + ": " + path.string();
        return false;
    };
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    const std::filesystem::path temporary = path.string() + ".tmp" + std::to_string(getpid());
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return fail("cannot write the services file");
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool flushed = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    if (std::fclose(file) != 0 || !written || !flushed) {
        std::filesystem::remove(temporary, ec);
        return fail("cannot write the services file");
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return fail("cannot put the services file in place");
    }
    return true;
}

}  // namespace lumo::sim
