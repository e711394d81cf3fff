#pragma once

// The window's thread grows the heap by a few MiB while it builds the window, and each new page
// costs it a fault. With a reserve at the heap's top, faulted in on a worker, that thread finds
// the pages ready.
namespace StartupHeap {

// Before the application object: from now on the heap grows with a reserve past its top. As
// glibc documents, this also keeps blocks of 128 KiB and more out of the heap for good: each
// is mapped on its own and given back when freed.
void reserve();

// On a worker, after anything at start-up that forks (a fork write-protects every page the
// program has, and each would fault once more when written): faults in the free pages at the
// heap's top. Their contents stay as they are.
void prefault();

// Once the window shows the catalogue: the heap grows and shrinks by glibc's default steps
// again, and what start-up freed is given back.
void release();

} // namespace StartupHeap
