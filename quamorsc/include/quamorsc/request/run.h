// Request execution: the option rules and builders turn a `Cmd` into an `OpCmd`, which is sent
// over the local Unix socket or, with --host, over REST; the reply text is returned. Every
// failure is reported on standard error and ends the process with its status.
#pragma once

#include "base/semver.h"
#include "quamorsc/cli/cmd.h"
#include "quamorsc/exchange/reply.h"

namespace quamorsc {

// The reply's `text()` is what is to be printed: the whole local reply, or the REST body. A broken
// option rule ends the process with `exit_status::kOptionRule`, a failed connect with
// `kNoConnection`, `--show-url` after printing the URL with `kSuccess`, and the exchanges end it
// on their own failures.
Reply run(const Cmd& cmd, base::semver::Version version);

}  // namespace quamorsc
