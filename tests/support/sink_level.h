#pragma once

// Whether a sink's raw volume is the level written. The level's scale tops
// out at 65535 where the server's does at 65536, so rounding may leave it one
// higher on the sink.
inline bool SinkHoldsLevel(int raw, int level) { return raw == level || raw == level + 1; }
