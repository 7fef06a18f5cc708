// The moveout of an indexed deck run. `workers` threads take blocks of whole
// CDPs (about 2 MB of input; a moved-out gather's block may end inside a CDP at
// 8 MB, so one enormous CDP still spreads over the workers), read them in
// batches of about 2 MB (adjacent traces in one read), compute each CDP's
// velocities once, move out every live trace (nmoitVariable) into the output
// block or the stack of its CDP, and the blocks are written to the output in
// order. A few blocks are in memory at a time, whatever the size of a CDP.
//
// Moved-out gather: a live trace keeps its header, except that 2-byte samples
// become 4-byte floats (word 60 = 21930); dead and separator traces are copied
// as they are. Stacked: one trace per CDP with live traces (CdpStack).
#pragma once

#include <vector>

#include "deck/core/ApplyVelocities.h"
#include "deck/core/MoveoutInput.h"

namespace tsly {

// Moves out `traces` (as indexMoveoutInput gave them) of the file open on
// `input` and writes the result to `output`. True when every block was
// written; else `r` says why (cancelled, a read or a write failed).
bool runMoveoutEngine(const MoveoutJob& job, const MoveoutHooks& hooks, int input,
                      const std::vector<MoveoutTrace>& traces, int output, MoveoutResult& r);

}  // namespace tsly
