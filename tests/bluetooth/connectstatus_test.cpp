#include "bluetooth/connectstatus.h"

#include <gtest/gtest.h>

namespace {

const BdAddr kAddress{0x00, 0x80, 0x37, 0x0A, 0x0B, 0x0C};

struct Row {
    std::string text;
    const char* expected;
};

class StatusLineTest : public testing::TestWithParam<Row> {};

TEST_P(StatusLineTest, ExactText) { EXPECT_EQ(GetParam().text, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, StatusLineTest,
    testing::Values(
        Row{connectstatus::NoDeviceChosen(), "No device is choosed!"},
        Row{connectstatus::ServiceNotFound("T68"), "Can't find T68 !"},
        Row{connectstatus::Attempting(kAddress), "Attempting a connection with BDA: 0:80:37:a:b:c"},
        Row{connectstatus::CreateConnectionFailed(2), "CSppClient::CreateConnection failed, already connected!"},
        Row{connectstatus::CreateConnectionFailed(1), "CSppClient::CreateConnection failed, server not exist!"},
        Row{connectstatus::CreateConnectionFailed(5), "CSppClient::CreateConnection failed, error code 5!"},
        Row{connectstatus::CreateConnectionFailed(-3), "CSppClient::CreateConnection failed, error code -3!"},
        Row{connectstatus::Connected(kAddress, 7), "Connected with 0:80:37:a:b:c, on COM port 7"},
        Row{connectstatus::Connected(kAddress, -1), "Connected with 0:80:37:a:b:c, on COM port -1"},
        Row{connectstatus::Disconnected(kAddress), "Disconnected from 0:80:37:a:b:c"},
        Row{connectstatus::DiscoveryStarting(kAddress), "Starting discovery on BDA: 0:80:37:a:b:c"},
        Row{connectstatus::DiscoveryStartFailed(kAddress), "ERROR, Start of Discovery Failed for BDA:  0:80:37:a:b:c"},
        Row{connectstatus::ReadingRecords(kAddress), "Reading Discovery Records for BDA:  0:80:37:a:b:c"},
        Row{connectstatus::ConnectingTo("T68 demo phone"), "Connecting to T68 demo phone"}));

} // namespace
