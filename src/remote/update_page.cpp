#include "remote/update_page.h"

#include "text/text_between.h"

namespace lumo::remote {

UpdatePage UpdatePage::Read(std::string_view page) {
    UpdatePage read;
    read.downloadAddress = text::TextBetween(page, kDownloadMarker, kDownloadMarker);
    read.status = text::TextBetween(page, kStatusMarker, kStatusMarker);
    return read;
}

std::string UpdatePage::Address(std::string_view siteHost) {
    return "http://" + std::string(siteHost) + "/archiver/gx.htm";
}

}  // namespace lumo::remote
