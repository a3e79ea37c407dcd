// What a later launch sends the running instance over its socket: the request line as the server cuts
// it from what arrived, its words, and the command they ask for.

#include "app/AppCommand.h"
#include "platform/InstanceLock.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using platform::InstanceLock;
    QByteArray line = fuzz::bytes(data, size).left(InstanceLock::maxRequestBytes);
    if (const qsizetype end = line.indexOf('\n'); end >= 0) line.truncate(end + 1);
    const std::optional<QStringList> words = InstanceLock::decodeRequest(line);
    if (!words) return 0;
    // What the launch sends is what the instance reads.
    if (InstanceLock::decodeRequest(InstanceLock::encodeRequest(*words)) != words) std::abort();
    if (const auto command = AppCommand::fromMessage(*words)) {
        const auto again = AppCommand::fromMessage(command->message());
        if (!again || again->kind != command->kind || again->action != command->action) std::abort();
    }
    return 0;
}
