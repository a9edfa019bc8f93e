#include "sources/keyword_libraries.h"

#include <utility>

#include "flow/worker_threads.h"
#include "net/http_request.h"
#include "net/inet_request.h"
#include "sources/resource_pages.h"
#include "sources/source_names.h"
#include "text/charset.h"

namespace lumo::sources {
namespace {

constexpr const char* kCodeLibraryKey = "fanhaodizi";
constexpr const char* kKeywordLibraryKey = "gjzdizi";

const char* ListOf(KeywordLibraries::Library library) {
    return library == KeywordLibraries::Library::Code ? kCodeLibraryList : kKeywordLibraryList;
}

}  // namespace

KeywordLibraries::KeywordLibraries(flow::AppState& state, flow::FlowUi& ui, SearchController& search,
                                   QObject* parent)
    : QObject(parent), state_(state), ui_(ui), search_(search), channel_(flow::GuiChannel::Open(this)) {}

KeywordLibraries::~KeywordLibraries() { channel_->Close(); }

void KeywordLibraries::StartKeywordLibraries() {
    LoadCodeLibrary();
    LoadKeywordLibrary();
}

void KeywordLibraries::LoadCodeLibrary() { Load(Library::Code); }

void KeywordLibraries::LoadKeywordLibrary() {
    ui_.SetVisible(kCodeLibraryList, false);
    ui_.SetVisible(kKeywordLibraryList, true);
    Load(Library::Keyword);
}

void KeywordLibraries::Load(Library library) {
    const uint64_t serial = ++LoadsOf(library).started;
    const std::string address =
        state_.RemoteAddress(library == Library::Code ? kCodeLibraryKey : kKeywordLibraryKey);
    const std::shared_ptr<flow::GuiChannel> channel = channel_;
    const bool started = flow::WorkerThreads::Start([this, library, serial, address, channel] {
        std::vector<std::string> entries;
        if (library == Library::Code) {
            entries = ParseCodeLibrary(net::HttpRequest(address));
        } else {
            // This page is read as GBK whatever it declares.
            entries = ParseKeywordLibrary(text::GbkToUtf8(text::UntilZero(net::InetRequest(address))));
        }
        channel->Post([this, library, serial, entries = std::move(entries)]() mutable {
            List(library, serial, std::move(entries));
        });
    });
    if (!started) List(library, serial, {});
}

void KeywordLibraries::List(Library library, uint64_t serial, std::vector<std::string> entries) {
    Loads& loads = LoadsOf(library);
    flow::ListModel* list = ui_.List(ListOf(library));
    if (entries.empty() || serial <= loads.listed || list == nullptr) {
        emit LibraryLoadEnded(library, false);
        return;
    }
    loads.listed = serial;
    list->Clear();
    for (std::string& entry : entries) list->AppendRow({"", std::move(entry)});
    emit LibraryLoadEnded(library, true);
}

void KeywordLibraries::ShowCodeLibrary() {
    flow::ListModel* list = ui_.List(kCodeLibraryList);
    if (list != nullptr && list->Cell(0, 1).empty()) {
        list->Clear();
        LoadCodeLibrary();
    }
    ui_.SetVisible(kLibraryPanel, true);
    ui_.SetVisible(kCodeLibraryList, true);
    ui_.SetVisible(kKeywordLibraryList, false);
}

void KeywordLibraries::ShowKeywordLibrary() {
    ui_.SetVisible(kLibraryPanel, true);
    const flow::ListModel* list = ui_.List(kKeywordLibraryList);
    if (list != nullptr && !list->Cell(0, 1).empty()) {
        ui_.SetVisible(kKeywordLibraryList, true);
        ui_.SetVisible(kCodeLibraryList, false);
        return;
    }
    LoadKeywordLibrary();
}

void KeywordLibraries::OpenLibraryEntry(const std::string& listName) {
    const flow::ListModel* list = ui_.List(listName);
    ui_.SetText(kSearchBox, list != nullptr ? list->SelectedCell(1) : std::string());
    search_.StartSearch();
}

}  // namespace lumo::sources
