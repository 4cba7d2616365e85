// Request execution: the option rules and builders turn a `Cmd` into an `OpCmd`, which is sent
// over the local Unix socket or, with --host, over REST; the reply text is returned. Every
// failure is reported on standard error and ends the process with its status.
#pragma once

#include "base/semver.h"
#include "quamorsc/cmd.h"
#include "quamorsc/reply.h"

namespace quamorsc {

// The reply's `text()` is what is to be printed: the whole local reply, or the REST body.
Reply run(const Cmd& cmd, base::semver::Version version);

}  // namespace quamorsc
