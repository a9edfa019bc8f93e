// lumo-sim: serves every outside service of Lumo on loopback until it gets
// SIGINT or SIGTERM.

#include <signal.h>

#include <charconv>
#include <chrono>
#include <optional>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "sim/simulator.h"

namespace {

using lumo::sim::Simulator;
using lumo::sim::SimOptions;

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: lumo-sim [options]\n"
                 "  --base-port N        first port; service k listens on N + k (default %d)\n"
                 "  --extra-port N       port of the second resource list (default %d)\n"
                 "  --free-ports         every service on a free port (see the services file)\n"
                 "  --media DIR          the generated media (default %s)\n"
                 "  --seed N             catalogue seed (default 1)\n"
                 "  --services-file PATH where to write the services file (default: $LUMO_SERVICES)\n"
                 "  --update-status S    what the update page tells release 1.6 (default 0)\n"
                 "  --codec-pack V       full, partial or unsafe (default full)\n"
                 "  --fault SERVICE:KIND[:name=value...]\n"
                 "                       switch a fault on, e.g. filelist:delay:ms=3000, download1:status:status=503,\n"
                 "                       offline:drop:count=2; kinds: delay drop empty status garbage wrong-length\n"
                 "                       throttle; names: ms status bytes rate count path\n"
                 "  --latency SERVICE:MS a fixed wait of MS milliseconds before every answer of SERVICE\n"
                 "                       (\"all\": every service but control), e.g. all:50, offline:200\n"
                 "  --quiet              no line per request\n",
                 Simulator::DefaultBasePort(), Simulator::DefaultExtraPort(),
                 Simulator::DefaultMediaDir().c_str());
}

bool ParseInt(std::string_view text, int64_t& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    options.fixedPorts = true;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> std::string_view {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "lumo-sim: %s needs a value\n", argv[i]);
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](int64_t low, int64_t high) {
            const std::string_view text = value();
            int64_t n = 0;
            if (!ParseInt(text, n) || n < low || n > high) {
                std::fprintf(stderr, "lumo-sim: bad number \"%.*s\" for %s\n", static_cast<int>(text.size()),
                             text.data(), argv[i - 1]);
                std::exit(2);
            }
            return n;
        };
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg == "--base-port") {
            options.basePort = static_cast<int>(number(1, 65535 - lumo::sim::kServiceCount));
        } else if (arg == "--extra-port") {
            options.extraPort = static_cast<int>(number(1, 65535));
        } else if (arg == "--free-ports") {
            options.fixedPorts = false;
        } else if (arg == "--media") {
            options.mediaDir = std::string(value());
        } else if (arg == "--seed") {
            options.seed = static_cast<uint64_t>(number(0, INT64_MAX));
        } else if (arg == "--services-file") {
            options.servicesFile = std::string(value());
        } else if (arg == "--update-status") {
            options.updateStatus = std::string(value());
        } else if (arg == "--codec-pack") {
            const std::string_view name = value();
            const auto variant = lumo::sim::ParseCodecPackVariant(name);
            if (!variant) {
                std::fprintf(stderr, "lumo-sim: unknown codec pack \"%.*s\"\n", static_cast<int>(name.size()),
                             name.data());
                return 2;
            }
            options.codecPack = *variant;
        } else if (arg == "--fault") {
            const std::string_view faultText = value();
            const size_t colon = faultText.find(':');
            const auto service = lumo::sim::ParseServiceName(faultText.substr(0, colon));
            std::string why;
            const auto fault = colon == std::string_view::npos ? std::nullopt
                                                               : lumo::sim::ParseFault(faultText.substr(colon + 1), &why);
            if (!service || *service == lumo::sim::Service::Control || !fault) {
                std::fprintf(stderr, "lumo-sim: bad fault \"%.*s\"%s%s\n", static_cast<int>(faultText.size()), faultText.data(),
                             why.empty() ? "" : ": ", why.c_str());
                return 2;
            }
            options.faults.emplace_back(*service, *fault);
        } else if (arg == "--latency") {
            const std::string_view text = value();
            const size_t colon = text.find(':');
            const std::string_view name = text.substr(0, colon);
            int64_t ms = -1;
            const bool all = name == "all";
            const auto service = all ? std::optional(lumo::sim::Service::Website) : lumo::sim::ParseServiceName(name);
            if (colon == std::string_view::npos || !service || *service == lumo::sim::Service::Control ||
                !ParseInt(text.substr(colon + 1), ms) || ms < 0 || ms > 600000) {
                std::fprintf(stderr, "lumo-sim: bad latency \"%.*s\"\n", static_cast<int>(text.size()), text.data());
                return 2;
            }
            for (int k = 0; k < lumo::sim::kServiceCount; ++k) {
                const auto each = lumo::sim::ServiceAt(k);
                if (each != lumo::sim::Service::Control && (all || each == *service)) {
                    options.latencies.emplace_back(each, std::chrono::milliseconds(ms));
                }
            }
        } else if (arg == "--quiet") {
            quiet = true;
        } else {
            std::fprintf(stderr, "lumo-sim: unknown option %s\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }

    std::mutex logMutex;
    if (!quiet) {
        options.log = [&logMutex](const lumo::sim::RequestRecord& r) {
            std::lock_guard lock(logMutex);
            std::printf("%-10s %-6s %s %d %llu %.1fms%s%s\n", lumo::sim::ServiceName(r.service).c_str(),
                        r.method.c_str(), r.target.c_str(), r.status, static_cast<unsigned long long>(r.bytes), r.ms,
                        r.fault.empty() ? "" : " fault=", r.fault.c_str());
            std::fflush(stdout);
        };
    }

    // Every thread the simulator starts inherits this mask, so the signals
    // reach only the sigwait below.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Simulator simulator(options);
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "lumo-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("lumo-sim: %zu catalogue entries, %zu films\n", simulator.catalogue().entries().size(),
                simulator.catalogue().films().size());
    for (int i = 0; i < lumo::sim::kServiceCount; ++i) {
        const auto service = lumo::sim::ServiceAt(i);
        std::printf("  %-11s %s\n", lumo::sim::ServiceName(service).c_str(), simulator.BaseAddress(service).c_str());
    }
    if (!simulator.ServicesFilePath().empty()) {
        std::printf("lumo-sim: services file %s\n", simulator.ServicesFilePath().c_str());
    }
    std::printf("lumo-sim: ready\n");
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    std::printf("lumo-sim: stopping\n");
    simulator.Stop();
    return 0;
}
