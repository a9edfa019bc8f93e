// The start-up chain as the program wires it: the address list gates the
// update check and the real word libraries, which then read the addresses
// it published.
#include <gtest/gtest.h>

#include <chrono>

#include "remote/address_list_loader.h"
#include "remote/sim_fixture.h"
#include "remote/update_checker.h"
#include "resolve/availability_checker.h"
#include "resolve/resolve_endpoints.h"
#include "sources/source_names.h"
#include "sources/sources.h"

namespace lumo::remote {
namespace {

using namespace std::chrono_literals;
using lumo::testing::WaitFor;

class StartUpChainTest : public lumo::testing::SimFixture {};

TEST_F(StartUpChainTest, TheReadListStartsTheUpdateCheckAndBothWordLibraries) {
    auto& codes = ui.AddList(sources::kCodeLibraryList, sources::kLibraryColumns);
    auto& keywords = ui.AddList(sources::kKeywordLibraryList, sources::kLibraryColumns);
    resolve::ResolveEndpoints endpoints(state, hosts);
    resolve::AvailabilityChecker checks(endpoints);
    sources::Sources lists(state, ui, checks, hosts);
    UpdateChecker update(state, ui, hosts);
    AddressListLoader loader(state, ui, hosts);
    loader.SetNoticeDelay(10ms);
    loader.SetHooks({[&] { update.CheckForUpdate(); },
                     [&] { lists.Libraries().LoadCodeLibrary(); },
                     [&] { lists.Libraries().LoadKeywordLibrary(); }});
    int listed = 0;
    QObject::connect(&lists.Libraries(), &sources::KeywordLibraries::LibraryLoadEnded,
                     [&](sources::KeywordLibraries::Library, bool ok) { listed += ok ? 1 : 0; });

    EXPECT_EQ(Requests(sim::Service::Words), 0u) << "nothing before the list is in";
    ASSERT_TRUE(loader.LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] {
        return listed == 2 && ui.Shown(flow::WindowCode::NOTICE) == 1 &&
               update.CurrentPhase() == UpdateChecker::Phase::Done;
    }));

    EXPECT_GT(codes.RowCount(), 0);
    EXPECT_GT(keywords.RowCount(), 0);
    EXPECT_FALSE(codes.Cell(0, 1).empty());
    EXPECT_EQ(Requests(sim::Service::Words), 2u);
    EXPECT_EQ(Requests(sim::Service::Forum), 1u) << "one update check";
    EXPECT_EQ(ui.endProgramCalls, 0);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace lumo::remote
