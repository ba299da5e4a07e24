#include "bluetooth/connectstatus.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

namespace {

const BdAddr kAddress{0x00, 0x80, 0x37, 0x0A, 0x0B, 0x0C};

struct Row {
    const char* label;
    std::string text;
    const char* expected;
};

class StatusLineTest : public testing::TestWithParam<Row> {};

// CTest names carry the printed row: its words, not its bytes.
void PrintTo(const Row& c, std::ostream* os) {
    *os << (std::string_view(c.label).empty() ? "(empty)" : c.label);
}

TEST_P(StatusLineTest, ExactText) { EXPECT_EQ(GetParam().text, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, StatusLineTest,
    testing::Values(
        Row{"cancelled", connectstatus::NoDeviceChosen(), "No device is choosed!"},
        Row{"service_not_found", connectstatus::ServiceNotFound("T68"), "Can't find T68 !"},
        Row{"attempting", connectstatus::Attempting(kAddress), "Attempting a connection with BDA: 0:80:37:a:b:c"},
        Row{"already_connected", connectstatus::CreateConnectionFailed(2), "CSppClient::CreateConnection failed, already connected!"},
        Row{"server_not_exist", connectstatus::CreateConnectionFailed(1), "CSppClient::CreateConnection failed, server not exist!"},
        Row{"error_code", connectstatus::CreateConnectionFailed(5), "CSppClient::CreateConnection failed, error code 5!"},
        Row{"negative_code", connectstatus::CreateConnectionFailed(-3), "CSppClient::CreateConnection failed, error code -3!"},
        Row{"connected", connectstatus::Connected(kAddress, 7), "Connected with 0:80:37:a:b:c, on COM port 7"},
        Row{"negative_port", connectstatus::Connected(kAddress, -1), "Connected with 0:80:37:a:b:c, on COM port -1"},
        Row{"disconnected", connectstatus::Disconnected(kAddress), "Disconnected from 0:80:37:a:b:c"},
        Row{"discovery_starting", connectstatus::DiscoveryStarting(kAddress), "Starting discovery on BDA: 0:80:37:a:b:c"},
        Row{"discovery_start_failed", connectstatus::DiscoveryStartFailed(kAddress), "ERROR, Start of Discovery Failed for BDA:  0:80:37:a:b:c"},
        Row{"reading_records", connectstatus::ReadingRecords(kAddress), "Reading Discovery Records for BDA:  0:80:37:a:b:c"},
        Row{"connecting_to", connectstatus::ConnectingTo("T68 demo phone"), "Connecting to T68 demo phone"}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.label); });

} // namespace
