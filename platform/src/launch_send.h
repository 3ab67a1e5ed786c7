#ifndef DEVICE_LAUNCH_SEND_H
#define DEVICE_LAUNCH_SEND_H

// Bookkeeping of replies owed by a receiving process, used by the service
// framework so that a sender waiting for a reply is never left hanging.

#include <string>

namespace device {
namespace launch {

// A request that wants a reply was handed to the application.
void ExpectReply(const std::string& replyTo);
// Answers every request still owed a reply with APP_CONTROL_RESULT_CANCELED.
void CancelUnansweredReplies();

} // namespace launch
} // namespace device

#endif
