#pragma once
// How the window's process keeps the memory it frees.

namespace kodrix {

// Blocks under 32 MB come from memory the process keeps, and up to 64 MB of
// freed memory is kept for reuse instead of being handed back to the system
// at once. A letter change or a game click reads, sorts and frees lists of
// megabytes; where the system is slow to hand out fresh pages (on a virtual
// machine the first touch of each page can cost microseconds), fresh pages
// for every such list cost more than the work done in them (the letter
// change to a group of 50,000 names took 17 ms instead of 11). Larger
// blocks (a big walkthrough) are still handed back when freed. Called first
// thing in main; does nothing where the C library has no such settings.
void keepFreedMemoryForReuse();

}  // namespace kodrix
