#pragma once

namespace platform {

// Makes every large block (a picture's pixels) its own mapping, handed back to the system as soon as
// it is freed. By default the C library raises that limit after the first large block is freed, and
// blocks freed on worker threads then stay resident in those threads' pools. Called once, first
// thing in `main`.
void returnLargeBlocksAtOnce();

} // namespace platform
