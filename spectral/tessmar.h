// Pipeline process support: the process records, sizes, header update, slices, messages and shutdown.
#pragma once

#include "spectral/fdatap.h"
#include "spectral/server.h"

namespace korim::spectral {

struct ProcDataInfo;

// A processing function of a pipeline stage.
struct ProcFuncInfo {
    int (*func)(ProcDataInfo* dataInfo);  // 0 or an error status
    const char* name;                     // short name
    const char* descrip;                  // description
    const char* args;                     // argument summary
};

// Phase codes passed in sliceCode.
constexpr int kSliceHdrUpdate = -3;
constexpr int kSliceFinal = -4;

// Server modes.
enum ServerMode : int { kServerNone = 0, kServerClient = 1, kServerServer = 2 };

// Data-type conversions of the command line, index in typeFlags:
// 0 "-xi", 1 "-dt", 2 "-di", 3 "-ac", 4 "-ad", 5 "-ai".
constexpr int kTypeFlagCount = 6;

// State of one pipeline process.
struct ProcDataInfo {
    float* rdata;          // real part of the current vector, maxSize floats
    float* idata;          // imaginary part
    float fdata[kHdrWords];  // current header
    float* fdataOrig;      // copy of the input header (2048 bytes) or null
    float* inBuff;         // multi-vector buffers and the current positions in them
    float* outBuff;
    float* inBuffPtr;
    float* outBuffPtr;

    int quadState;         // 1 real, 2 complex input
    int size;              // points per vector
    int specnum;           // vectors per plane
    int zSize, aSize;      // third and fourth dimension sizes
    int dimCount;
    int sliceCount;        // slices in the stream
    int varCountFlag;      // 1 when the slice count is variable
    int maxSize;           // length of rdata and idata
    int outSize;
    int timeSize;
    int outQuadState;
    int ftFlag;
    int transposed;

    int typeFlags[kTypeFlagCount];
    int inSwapFlag, outSwapFlag;  // byte-swap input and output headers
    float min, max;               // extremes of the output
    int scaleFlag;                // 1 when the extremes are to be written back

    int sliceCode;         // current slice (from 1) or a phase code
    int slicesLeft;
    int selectMode;
    int selX1[4], selXN[4];  // first and last selected point per dimension
    int locList[4];
    int firstPlane, lastPlane;

    int debug, verbose, silentExit;
    int verbInc;           // progress line every verbInc slices
    int x11Flag;           // messages go to the desktop notifier

    int argc;
    char** argv;
    char* inName;
    char* outName;
    char* inHdrName;
    char* outHdrName;
    char* fnName;          // name shown in messages
    char* message;

    int inUnit, outUnit;
    int maxTries, timeOut, rdFlag, wrFlag, ovFlag, inPlace, vecFlag;
    int inCapacity, outCapacity;  // vectors per buffer
    int buffCountIn, buffCountOut;

    int serverMode;        // ServerMode
    int serverID, serverCount;
    int serverSock, serverMsgSock;  // server side: listening and connected sockets
    int inSock, outSock;   // -1 when not a socket
    int serverMaxTries, serverTimeOut;
    ServerInfo server[kMaxServers];
};

// Registers the records (and starts the data layer on the first call). Returns 0.
int initNMRAux(int argc, char** argv, ProcFuncInfo* funcInfo, ProcDataInfo* dataInfo,
               void (*shutdownProc)(int status));
// The sizes of a process from the header. 0, or 1 after a message when a size of a dimension
// the header uses is below 1, or when the vector or plane count it takes exceeds an int.
int initNMRSizes(const float* fdata, ProcDataInfo* dataInfo);
// Header update before the first slice: stage counter, -select, the function's
// own update, data-type conversions, partitions, -fdata, unused arguments.
// 1 after a message for a -select position that is no number with a known unit, or an -fdata
// word number or value that is bad or not finite (nothing of it is stored).
int updateHeader(ProcFuncInfo* funcInfo, ProcDataInfo* dataInfo);

int allocSlice(ProcDataInfo* dataInfo);
int freeSlice(ProcFuncInfo* funcInfo, ProcDataInfo* dataInfo);
int showSlice(ProcFuncInfo* funcInfo, ProcDataInfo* dataInfo);
// The message as "%s: %s" on stderr, or through the notifier command named by
// NMR_NOTIFIER (run with an argument vector) when x11Flag is set.
int showInfo(ProcDataInfo* dataInfo);
int getUserSignal();
int setUserSignal(int value);
int updateScale(ProcDataInfo* dataInfo);
int sendNullHdr(ProcDataInfo* dataInfo);
[[noreturn]] void shutDownPipe(int status);
int nmrMathErr(int errType, int errCode, const char* procName, const char* message);

// True when the input or output is a named file (not a stream, command or socket).
bool inputIsFile(const ProcDataInfo* dataInfo);
bool outputIsFile(const ProcDataInfo* dataInfo);

// Module state back to its start (tests).
void nmrAuxReset();

}  // namespace korim::spectral
