// The size limit of a launch request, at both ends of the transport.

#include <device/app_control.h>

#include <string>

#include "../../platform/src/launch/launch_common.h"
#include "../../platform/src/launch/launch_transport.h"
#include "../../platform/src/launch/launch_wire.h"
#include "RecorderApps.h"

namespace {

using namespace device::launch;

// The payload of a request to `appId` carrying `blob` bytes of extra data, as
// the send call serializes it.
std::string Payload(const std::string& appId, size_t blob)
{
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, appId.c_str());
    app_control_add_extra_data(request, "blob", std::string(blob, 'x').c_str());
    std::string payload = Serialize(*request, false, "");
    app_control_destroy(request);
    return payload;
}

using LaunchLimitTest = RecorderTest;

} // namespace

TEST_F(LaunchLimitTest, TheLargestRequestGoesThroughAndOneByteMoreIsRefusedByBothEnds)
{
    const std::string app = "com.test.rec-limit";
    InstallRecorder(app);
    // Offsets grow with the payload: measure near the limit.
    size_t blob = kMaxPayload - 256;
    for (int i = 0; i < 4 && Payload(app, blob).size() != kMaxPayload; ++i)
        blob += kMaxPayload - Payload(app, blob).size();
    ASSERT_EQ(Payload(app, blob).size(), kMaxPayload);

    ASSERT_EQ(Send(app, {{"blob", std::string(blob, 'x')}}), APP_CONTROL_ERROR_NONE);
    std::vector<RecordLine> requests = WaitForRequests(app, 1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["extra.blob"], std::string(blob, 'x'));

    EXPECT_EQ(Send(app, {{"blob", std::string(blob + 1, 'x')}}), APP_CONTROL_ERROR_INVALID_PARAMETER);
    // A sender that writes it anyway is refused by the running service.
    const std::string over = Payload(app, blob + 1);
    ASSERT_EQ(over.size(), kMaxPayload + 1);
    EXPECT_EQ(DeliverFrame(SocketOf(app), Frame(kRequestMagic, over), 2000), Delivery::Rejected);
    EXPECT_EQ(Record(app, "request").size(), 1u);
}
