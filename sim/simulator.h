#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/catalogue.h"
#include "sim/codec_pack.h"
#include "sim/fault.h"
#include "sim/service.h"
#include "sim/service_stats.h"

namespace lumo::sim {

class FaultBoard;
class HttpHost;
class SimContext;
class StopSignal;

struct SimOptions {
    // false: every service on a free port (tests); true: the base port + the
    // service's number, the second resource list on extraPort.
    bool fixedPorts = false;
    int basePort = 0;   // 0: the build's default (cmake/LumoServices.cmake)
    int extraPort = 0;  // 0: the build's default (1166) with fixed ports, a free port without

    // The catalogue to serve; built from mediaDir, seed and extraMedia when empty.
    std::shared_ptr<const Catalogue> catalogue;
    std::filesystem::path mediaDir;  // empty: the media the build generated
    uint64_t seed = 1;
    std::vector<ExtraMedia> extraMedia;

    // Where Start writes the services file: unset means the file that
    // LUMO_SERVICES names (none when it is unset); an empty path means none.
    std::optional<std::filesystem::path> servicesFile;

    std::string updateStatus = "0";  // what the update page tells release 1.6
    CodecPackVariant codecPack = CodecPackVariant::Full;
    std::vector<std::pair<Service, Fault>> faults;  // switched on at start
    // A fixed wait before every answer, per service, from the start on.
    std::vector<std::pair<Service, std::chrono::milliseconds>> latencies;

    int threadsPerService = 4;
    // Called once per finished request, on the thread that served it.
    std::function<void(const RequestRecord&)> log;
};

// Every outside service of Lumo on loopback: the operators' website and
// forum, the file-list service, the offline service and its 22 download
// hosts, both torrent searches, the film and subtitle sites, the codec pack,
// the second resource list, and a control endpoint for the fault switches
// and counters. Start and Stop may be called again and again; Stop ends
// every connection and thread at once.
class Simulator {
public:
    explicit Simulator(SimOptions options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // The media the build generated for the catalogue.
    static std::filesystem::path DefaultMediaDir();
    static int DefaultBasePort();
    static int DefaultExtraPort();

    bool Start(std::string* error = nullptr);
    void Stop();
    bool Running() const { return running_; }

    int Port(Service service) const;
    std::string HostPort(Service service) const;     // "127.0.0.1:17005"
    std::string BaseAddress(Service service) const;  // "http://127.0.0.1:17005"

    // Addresses as Lumo builds them.
    std::string AddressListAddress() const;  // the operators' website + "/dizihuoqu.htm"
    std::string FileListPrefix() const;      // the published `jkdz2`
    std::string PlayInfoAddress() const;     // the offline service's endpoint
    // Download host `host` (1 to 22) + "/ftn_handler/" + the file's path + Lumo's query.
    std::string DownloadAddress(const MediaFile& media, int host) const;

    const Catalogue& catalogue() const;
    // What the services share; valid from the first Start on.
    const SimContext& context() const { return *context_; }
    std::shared_ptr<const Catalogue> sharedCatalogue() const;

    void SetFault(Service service, const Fault& fault);
    void ClearFault(Service service);
    void ClearFaults();
    std::optional<Fault> CurrentFault(Service service) const;

    // A fixed wait before every answer of a service (0 for none), on top of
    // any fault; SetLatencyAll sets it for every service but the control one.
    void SetLatency(Service service, std::chrono::milliseconds latency);
    void SetLatencyAll(std::chrono::milliseconds latency);
    std::chrono::milliseconds Latency(Service service) const;

    ServiceCounters Counters(Service service) const;
    std::vector<RequestRecord> Requests(Service service) const;  // the latest, oldest first
    void ResetCounters();
    // Waits until every request that arrived has been answered in full (the
    // sent bytes of an answer are counted when its last byte has gone).
    bool WaitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

    void SetUpdateStatus(std::string status);
    std::string UpdateStatus() const;
    void SetCodecPack(CodecPackVariant variant);

    // Serves `body` for `path` (or an exact path and query) of a service
    // instead of its own page, until ClearPages.
    void SetPage(Service service, std::string path, std::string body,
                 std::string contentType = "text/html; charset=utf-8", int status = 200);
    void ClearPages();

    std::string ServicesFileText() const;
    // The services file Start wrote; empty when none.
    std::filesystem::path ServicesFilePath() const { return writtenServicesFile_; }

private:
    bool StartHosts(std::string* error);

    SimOptions options_;
    std::shared_ptr<const Catalogue> catalogue_;
    std::unique_ptr<FaultBoard> faults_;
    std::unique_ptr<ServiceStats> stats_;
    std::unique_ptr<StopSignal> stop_;
    std::unique_ptr<SimContext> context_;
    std::vector<std::unique_ptr<HttpHost>> hosts_;
    std::filesystem::path writtenServicesFile_;
    bool running_ = false;
};

}  // namespace lumo::sim
