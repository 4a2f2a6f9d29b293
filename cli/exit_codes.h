#pragma once
// The exit status of vq5100ctl, which scripts test.

namespace vq::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailed = 1,        // the operation failed: rejected, no reply after the retries, cancelled
    kExitUsage = 2,         // a usage or file error
    kExitNoInstrument = 3,  // no instrument answered the probe
    kExitAttention = 4      // records due: an instrument has failed, is overdue or is due
};

}  // namespace vq::cli
