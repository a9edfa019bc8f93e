#include "sim/control_service.h"

#include <charconv>

#include "sim/catalogue.h"
#include "sim/fault_board.h"
#include "sim/service_stats.h"
#include "sim/services_file.h"
#include "sim/sim_context.h"

namespace lumo::sim {
namespace {

Reply Bad(const std::string& why) { return Reply::Plain("error: " + why + "\n", 400); }

std::string CountersLine(Service service, const ServiceCounters& counters) {
    return ServiceName(service) + " " + std::to_string(counters.requests) + " " + std::to_string(counters.bytes) + "\n";
}

}  // namespace

Reply ControlService::SetFault(const SiteRequest& request) const {
    const std::string serviceName = request.Param("service");
    const std::string kindName = request.Param("kind");
    if (serviceName == "all" && (kindName == "none" || request.method == "DELETE")) {
        faults_.ClearAll();
        return Reply::Plain("ok: every fault cleared\n");
    }
    const auto service = ParseServiceName(serviceName);
    if (!service) return Bad("unknown service \"" + serviceName + "\"");
    if (*service == Service::Control) return Bad("the control endpoint takes no faults");
    if (request.method == "DELETE") {
        faults_.Clear(*service);
        return Reply::Plain("ok: " + serviceName + " cleared\n");
    }
    const auto kind = ParseFaultKind(kindName);
    if (!kind) return Bad("unknown fault kind \"" + kindName + "\"");
    Fault fault;
    fault.kind = *kind;
    for (const char* field : {"ms", "status", "bytes", "rate", "count", "path"}) {
        if (request.HasParam(field) && !SetFaultField(fault, field, request.Param(field))) {
            return Bad(std::string("bad value for ") + field);
        }
    }
    faults_.Set(*service, fault);
    return Reply::Plain("ok: " + ServiceName(*service) + " " + DescribeFault(fault) + "\n");
}

Reply ControlService::SetLatency(const SiteRequest& request) const {
    const std::string serviceName = request.Param("service");
    int ms = 0;
    if (request.method != "DELETE") {
        const std::string text = request.Param("ms");
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size() || ms < 0 || ms > 600000) {
            return Bad("ms must be a number of milliseconds from 0 to 600000");
        }
    }
    if (serviceName == "all") {
        for (int i = 0; i < kServiceCount; ++i) {
            if (ServiceAt(i) != Service::Control) faults_.SetLatency(ServiceAt(i), std::chrono::milliseconds(ms));
        }
        return Reply::Plain("ok: every service waits " + std::to_string(ms) + " ms\n");
    }
    const auto service = ParseServiceName(serviceName);
    if (!service) return Bad("unknown service \"" + serviceName + "\"");
    if (*service == Service::Control) return Bad("the control endpoint takes no latency");
    faults_.SetLatency(*service, std::chrono::milliseconds(ms));
    return Reply::Plain("ok: " + ServiceName(*service) + " waits " + std::to_string(ms) + " ms\n");
}

Reply ControlService::Handle(const SiteRequest& request) const {
    const std::string& path = request.path;
    const bool write = request.method == "POST" || request.method == "PUT";
    if (path == "/") {
        return Reply::Plain(
            "lumo-sim control\n"
            "GET /services | POST /fault?service=S&kind=K[&ms=&status=&bytes=&rate=&count=&path=] | DELETE /fault?service=S\n"
            "POST /latency?service=S|all&ms=N | DELETE /latency?service=S|all | GET /latency\n"
            "GET /faults | GET /counters[?service=S] | POST /counters/reset | GET /requests?service=S\n"
            "POST /update?status=T | POST /codecs?variant=V | POST /page?service=S&path=P[&type=T&status=N] | DELETE /page\n"
            "GET /catalogue | GET /media\n");
    }
    if (path == "/services") return Reply::Plain(ServicesFileText(context_));
    if (path == "/fault") {
        if (!write && request.method != "DELETE") return Bad("use POST or DELETE");
        return SetFault(request);
    }
    if (path == "/latency") {
        if (write || request.method == "DELETE") return SetLatency(request);
        std::string text;
        for (int i = 0; i < kServiceCount; ++i) {
            const auto latency = faults_.Latency(ServiceAt(i));
            if (latency.count() > 0) text += ServiceName(ServiceAt(i)) + " " + std::to_string(latency.count()) + "\n";
        }
        return Reply::Plain(text);
    }
    if (path == "/faults") {
        std::string text;
        for (int i = 0; i < kServiceCount; ++i) {
            if (const auto fault = faults_.Current(ServiceAt(i))) {
                text += ServiceName(ServiceAt(i)) + " " + DescribeFault(*fault) + "\n";
            }
        }
        return Reply::Plain(text);
    }
    if (path == "/counters/reset" || (path == "/counters" && (write || request.method == "DELETE"))) {
        stats_.Reset();
        return Reply::Plain("ok: counters reset\n");
    }
    if (path == "/counters") {
        if (request.HasParam("service")) {
            const auto service = ParseServiceName(request.Param("service"));
            if (!service) return Bad("unknown service");
            return Reply::Plain(CountersLine(*service, stats_.Counters(*service)));
        }
        std::string text;
        for (int i = 0; i < kServiceCount; ++i) text += CountersLine(ServiceAt(i), stats_.Counters(ServiceAt(i)));
        return Reply::Plain(text);
    }
    if (path == "/requests") {
        const auto service = ParseServiceName(request.Param("service"));
        if (!service) return Bad("unknown service");
        std::string text;
        for (const auto& record : stats_.Recent(*service)) {
            text += record.method + " " + record.target + " " + std::to_string(record.status) + " " +
                    std::to_string(record.bytes) + " " + std::to_string(static_cast<int64_t>(record.ms)) + "ms" +
                    (record.fault.empty() ? "" : " [" + record.fault + "]") + "\n";
        }
        return Reply::Plain(text);
    }
    if (path == "/update") {
        if (write) context_.SetUpdateStatus(request.Param("status"));
        return Reply::Plain("status=" + context_.UpdateStatus() + "\n");
    }
    if (path == "/codecs") {
        if (write) {
            const auto variant = ParseCodecPackVariant(request.Param("variant"));
            if (!variant) return Bad("unknown variant");
            context_.SetCodecPack(*variant);
        }
        return Reply::Plain("variant=" + CodecPackVariantName(context_.CodecPack()) + "\n");
    }
    if (path == "/page") {
        if (request.method == "DELETE") {
            context_.ClearPages();
            return Reply::Plain("ok: pages cleared\n");
        }
        if (!write) return Bad("use POST or DELETE");
        const auto service = ParseServiceName(request.Param("service"));
        const std::string pagePath = request.Param("path");
        if (!service || pagePath.empty()) return Bad("service and path are needed");
        Reply page;
        page.body = request.body;
        if (request.HasParam("type")) page.contentType = request.Param("type");
        if (request.HasParam("status")) {
            const std::string status = request.Param("status");
            std::from_chars(status.data(), status.data() + status.size(), page.status);
        }
        context_.SetPage(*service, pagePath, std::move(page));
        return Reply::Plain("ok: " + ServiceName(*service) + " " + pagePath + "\n");
    }
    if (path == "/catalogue") {
        std::string text = "id\tkind\tinfohash\tfiles\tsize\ttitle\n";
        for (const auto& entry : context_.catalogue().entries()) {
            text += std::to_string(entry.id) + "\t" + EntryKindName(entry.kind) + "\t" + entry.infoHash + "\t" +
                    std::to_string(entry.files.size()) + "\t" + std::to_string(entry.TotalSize()) + "\t" + entry.title +
                    "\n";
        }
        return Reply::Plain(text);
    }
    if (path == "/media") {
        std::string text = "role\tsha1\tsize\ttoken\tcookie\thosts\n";
        for (const auto& media : context_.catalogue().media()) {
            std::string hosts;
            for (int host : media.hosts) hosts += (hosts.empty() ? "" : ",") + std::to_string(host);
            text += media.role + "\t" + media.sha1 + "\t" + std::to_string(media.bytes.size()) + "\t" + media.token +
                    "\t" + media.cookie + "\t" + hosts + "\n";
        }
        return Reply::Plain(text);
    }
    return Reply::Error(404);
}

}  // namespace lumo::sim
