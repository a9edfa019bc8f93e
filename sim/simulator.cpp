#include "sim/simulator.h"

#include <cstdlib>

#include "sim/codec_site.h"
#include "sim/control_service.h"
#include "sim/download_host_site.h"
#include "sim/extra_list_service.h"
#include "sim/fault_board.h"
#include "sim/file_list_service.h"
#include "sim/film_site.h"
#include "sim/http_host.h"
#include "sim/json_search_service.h"
#include "sim/offline_service.h"
#include "sim/operator_forum.h"
#include "sim/operator_website.h"
#include "sim/search_site.h"
#include "sim/services_file.h"
#include "sim/sim_context.h"
#include "sim/stop_signal.h"
#include "sim/subtitle_site.h"
#include "sim/word_libraries.h"

#ifndef LUMO_SIM_MEDIA_DIR
#define LUMO_SIM_MEDIA_DIR "media/sim"
#endif
#ifndef LUMO_SIM_BASE_PORT
#define LUMO_SIM_BASE_PORT 17000
#endif
#ifndef LUMO_SIM_EXTRA_PORT
#define LUMO_SIM_EXTRA_PORT 1166
#endif

namespace lumo::sim {
namespace {

// Wraps a service's page code: an overriding page, when one is set, answers
// first. The site object lives as long as the handler.
template <typename Site>
HttpHost::Handler SiteHandler(const SimContext& context, Service service, std::shared_ptr<Site> site) {
    return [&context, service, site](const SiteRequest& request) {
        if (auto page = context.Page(service, request.path, request.target)) return *page;
        return site->Handle(request);
    };
}

}  // namespace

Simulator::Simulator(SimOptions options)
    : options_(std::move(options)),
      catalogue_(options_.catalogue),
      faults_(std::make_unique<FaultBoard>()),
      stats_(std::make_unique<ServiceStats>()),
      stop_(std::make_unique<StopSignal>()) {
    for (const auto& [service, fault] : options_.faults) faults_->Set(service, fault);
    for (const auto& [service, latency] : options_.latencies) faults_->SetLatency(service, latency);
}

Simulator::~Simulator() { Stop(); }

std::filesystem::path Simulator::DefaultMediaDir() { return LUMO_SIM_MEDIA_DIR; }
int Simulator::DefaultBasePort() { return LUMO_SIM_BASE_PORT; }
int Simulator::DefaultExtraPort() { return LUMO_SIM_EXTRA_PORT; }

bool Simulator::Start(std::string* error) {
    if (running_) return true;
    if (!catalogue_) {
        Catalogue::Options catalogueOptions;
        catalogueOptions.mediaDir = options_.mediaDir.empty() ? DefaultMediaDir() : options_.mediaDir;
        catalogueOptions.seed = options_.seed;
        catalogueOptions.extraMedia = options_.extraMedia;
        catalogue_ = Catalogue::Build(catalogueOptions, error);
        if (!catalogue_) return false;
    }
    // The settings and pages outlive a restart; the ports are taken anew.
    if (!context_) context_ = std::make_unique<SimContext>(catalogue_, options_.updateStatus, options_.codecPack);
    stop_->Reset();
    if (!StartHosts(error)) {
        Stop();
        return false;
    }

    std::filesystem::path servicesFile;
    if (options_.servicesFile) {
        servicesFile = *options_.servicesFile;
    } else if (const char* env = std::getenv("LUMO_SERVICES"); env != nullptr) {
        servicesFile = env;
    }
    if (!servicesFile.empty()) {
        if (!WriteFileAtomically(servicesFile, sim::ServicesFileText(*context_), error)) {
            Stop();
            return false;
        }
        writtenServicesFile_ = servicesFile;
    }
    running_ = true;
    return true;
}

bool Simulator::StartHosts(std::string* error) {
    HttpHost::Environment environment;
    environment.faults = faults_.get();
    environment.stats = stats_.get();
    environment.stop = stop_.get();
    environment.log = options_.log;
    environment.seed = catalogue_->seed();
    const int threads = options_.threadsPerService;
    const SimContext& context = *context_;

    auto add = [&](Service service, HttpHost::Handler handler) {
        hosts_.push_back(std::make_unique<HttpHost>(service, std::move(handler), environment, threads));
    };
    add(Service::Control, SiteHandler(context, Service::Control,
                                      std::make_shared<ControlService>(*context_, *faults_, *stats_)));
    add(Service::Website, SiteHandler(context, Service::Website, std::make_shared<OperatorWebsite>(context)));
    add(Service::Forum, SiteHandler(context, Service::Forum, std::make_shared<OperatorForum>(context)));
    add(Service::FileList, SiteHandler(context, Service::FileList, std::make_shared<FileListService>(context)));
    add(Service::Offline, SiteHandler(context, Service::Offline, std::make_shared<OfflineService>(context)));
    add(Service::Search, SiteHandler(context, Service::Search, std::make_shared<SearchSite>(context)));
    add(Service::Api, SiteHandler(context, Service::Api, std::make_shared<JsonSearchService>(context)));
    add(Service::Films, SiteHandler(context, Service::Films, std::make_shared<FilmSite>(context)));
    add(Service::Words, SiteHandler(context, Service::Words, std::make_shared<WordLibraries>(context)));
    add(Service::Subtitles, SiteHandler(context, Service::Subtitles, std::make_shared<SubtitleSite>(context)));
    add(Service::Codecs, SiteHandler(context, Service::Codecs, std::make_shared<CodecSite>(context)));
    for (int n = 1; n <= kDownloadHostCount; ++n) {
        add(DownloadHost(n), SiteHandler(context, DownloadHost(n), std::make_shared<DownloadHostSite>(context, n)));
    }
    add(Service::Extra, SiteHandler(context, Service::Extra, std::make_shared<ExtraListService>(context)));

    const int base = options_.basePort > 0 ? options_.basePort : DefaultBasePort();
    for (auto& host : hosts_) {
        int port = 0;
        if (host->service() == Service::Extra) {
            port = options_.extraPort > 0 ? options_.extraPort : (options_.fixedPorts ? DefaultExtraPort() : 0);
        } else if (options_.fixedPorts) {
            port = base + ServiceIndex(host->service());
        }
        if (!host->Bind(port, error)) return false;
        context_->SetPort(host->service(), host->Port());
    }
    for (auto& host : hosts_) {
        if (!host->Start(error)) return false;
    }
    return true;
}

void Simulator::Stop() {
    stop_->Raise();
    for (auto& host : hosts_) host->BeginStop();
    for (auto& host : hosts_) host->Join();
    hosts_.clear();
    running_ = false;
}

int Simulator::Port(Service service) const { return context_ ? context_->Port(service) : 0; }
std::string Simulator::HostPort(Service service) const { return "127.0.0.1:" + std::to_string(Port(service)); }
std::string Simulator::BaseAddress(Service service) const { return "http://" + HostPort(service); }

std::string Simulator::AddressListAddress() const { return BaseAddress(Service::Website) + "/dizihuoqu.htm"; }
std::string Simulator::FileListPrefix() const { return BaseAddress(Service::FileList) + "/filelist.php?hash="; }
std::string Simulator::PlayInfoAddress() const { return BaseAddress(Service::Offline) + OfflineService::kPath; }

std::string Simulator::DownloadAddress(const MediaFile& media, int host) const {
    return BaseAddress(DownloadHost(host)) + "/ftn_handler/" + media.token + "?compressed=0&dtype=1&fname=m.mkv";
}

const Catalogue& Simulator::catalogue() const { return *catalogue_; }
std::shared_ptr<const Catalogue> Simulator::sharedCatalogue() const { return catalogue_; }

void Simulator::SetFault(Service service, const Fault& fault) { faults_->Set(service, fault); }
void Simulator::ClearFault(Service service) { faults_->Clear(service); }
void Simulator::ClearFaults() { faults_->ClearAll(); }
std::optional<Fault> Simulator::CurrentFault(Service service) const { return faults_->Current(service); }

void Simulator::SetLatency(Service service, std::chrono::milliseconds latency) {
    faults_->SetLatency(service, latency);
}
void Simulator::SetLatencyAll(std::chrono::milliseconds latency) {
    for (int i = 0; i < kServiceCount; ++i) {
        if (ServiceAt(i) != Service::Control) faults_->SetLatency(ServiceAt(i), latency);
    }
}
std::chrono::milliseconds Simulator::Latency(Service service) const { return faults_->Latency(service); }

ServiceCounters Simulator::Counters(Service service) const { return stats_->Counters(service); }
std::vector<RequestRecord> Simulator::Requests(Service service) const { return stats_->Recent(service); }
void Simulator::ResetCounters() { stats_->Reset(); }
bool Simulator::WaitIdle(std::chrono::milliseconds timeout) const { return stats_->WaitIdle(timeout); }

void Simulator::SetUpdateStatus(std::string status) {
    options_.updateStatus = status;
    if (context_) context_->SetUpdateStatus(std::move(status));
}

std::string Simulator::UpdateStatus() const { return context_ ? context_->UpdateStatus() : options_.updateStatus; }

void Simulator::SetCodecPack(CodecPackVariant variant) {
    options_.codecPack = variant;
    if (context_) context_->SetCodecPack(variant);
}

void Simulator::SetPage(Service service, std::string path, std::string body, std::string contentType, int status) {
    if (!context_) return;
    Reply page;
    page.status = status;
    page.contentType = std::move(contentType);
    page.body = std::move(body);
    context_->SetPage(service, std::move(path), std::move(page));
}

void Simulator::ClearPages() {
    if (context_) context_->ClearPages();
}

std::string Simulator::ServicesFileText() const { return context_ ? sim::ServicesFileText(*context_) : std::string(); }

}  // namespace lumo::sim
