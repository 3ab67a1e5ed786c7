#ifndef DEVICE_LAUNCH_SEND_H
#define DEVICE_LAUNCH_SEND_H

// Replies owed by a receiving process, used by the service framework so that
// a sender waiting for a reply is never left hanging.

namespace device {
namespace launch {

// Answers every request still owed a reply with APP_CONTROL_RESULT_CANCELED.
void CancelUnansweredReplies();

} // namespace launch
} // namespace device

#endif
