// Worker threads of the orientation scans and the surface: contiguous chunks
// of an index range run at once, each result kept by index so that the
// caller sums them in index order and every output stays the same whatever
// the number of threads.
#pragma once

#include <functional>

namespace korim::simulation {

// Least work for a chunk, in simple steps (an atom tested at a position or
// against a dot): about a tenth of a millisecond, far above the cost of
// starting a thread.
constexpr int kGrainWork = 100000;

// Number of threads the scans use: OMP_NUM_THREADS when it is a positive
// integer (at most 256), otherwise the number of cores (1 when unknown).
int workerCount();

// Calls body(begin, end, worker) for contiguous chunks [begin, end) covering
// 0..n-1 (at most workerCount() chunks, none of them empty, none shorter
// than grain items unless there is only one; the bounds depend only on n,
// grain and the thread count). The chunks run on helper threads kept from
// call to call (one call at a time; a call made from a chunk or while another
// runs takes all its chunks itself), the calling thread taking its share;
// worker numbers the thread running a chunk
// (0..chunks-1, one thread at a time per number), so that work arrays can be
// kept per worker. All chunks have returned when this returns. body must not
// throw and writes only to what its chunk or its worker owns. When no thread
// can be started the calling thread runs every chunk.
void forChunks(int n, int grain, const std::function<void(int begin, int end, int worker)>& body);

// Starts the helper threads of forChunks and forPieces in the background
// (a thread that starts them one after another), so that a run about to
// need them does not wait for them; calls made meanwhile run with the
// helpers already there. Does nothing with one thread.
void startWorkers();

// The number of chunks forChunks uses for n items of the given grain.
int chunkCount(int n, int grain = 1);

// Calls body(begin, end, worker) for the pieces [0, piece), [piece,
// 2 piece), ... of 0..n-1 (the last one shorter), which the threads take in
// turn as they come free, so that a thread held up by a busy machine leaves
// its share to the others; worker numbers the thread running a piece
// (0..pieceWorkers(n, piece)-1, one thread at a time per number). All pieces
// have returned when this returns; otherwise as forChunks.
void forPieces(int n, int piece, const std::function<void(int begin, int end, int worker)>& body);

// The number of worker numbers forPieces uses: the pieces, at most workerCount().
int pieceWorkers(int n, int piece);

}  // namespace korim::simulation
