#pragma once

namespace sonaro {

// Keeps memory that a conversion frees for its next allocations. The stages allocate buffers of a
// few hundred kilobytes one after another; by default the C library maps each one afresh and
// returns it to the system when freed, so every stage pays again for the first touch of each
// page. Called once at start-up, before any conversion.
void KeepFreedMemoryForReuse();

}  // namespace sonaro
