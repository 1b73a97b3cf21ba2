#pragma once

namespace qm::test {

// How long a test waits for what must happen before it calls it lost: long enough for a machine
// shared by several builds, where a pseudo-terminal or a child process may lag seconds behind.
inline constexpr int DeadlineMs = 30000;

} // namespace qm::test
