// Pipeline process support: registration, progress line, messages, null header, shutdown, math errors.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/nmrtime.h"
#include "spectral/dataio.h"
#include "spectral/nmrclock.h"
#include "spectral/nmrsocket.h"
#include "spectral/report.h"
#include "spectral/tessmar.h"

namespace korim::spectral {

namespace {

// The process's registered records, flags and timing.
struct NmrAuxModule {
    ProcFuncInfo* funcInfo = nullptr;
    ProcDataInfo* dataInfo = nullptr;
    void (*shutdownProc)(int) = nullptr;
    int userSignal = 0;
    bool dataIOStarted = false;
    bool showFirst = true;  // progress header still to be printed for this run
    TimeMark msgTime{};
    TimeMark totalTime{};
};
NmrAuxModule aux;

const char* fnNameOf(const ProcDataInfo* d) { return d->fnName != nullptr ? d->fnName : ""; }

void abortLine(const ProcDataInfo* d) {
    if (!d->silentExit) specMsg("Tessmar Aborting with null header.\n");
}

}  // namespace

void nmrAuxReset() { aux = NmrAuxModule{}; }

int initNMRAux(int argc, char** argv, ProcFuncInfo* funcInfo, ProcDataInfo* dataInfo, void (*shutdownProc)(int)) {
    (void)argc;
    (void)argv;
    if (!aux.dataIOStarted) {
        initDataIO();
        aux.dataIOStarted = true;
    }
    aux.funcInfo = funcInfo;
    aux.dataInfo = dataInfo;
    aux.shutdownProc = shutdownProc;
    markTime(&aux.totalTime);
    return 0;
}

int showSlice(ProcFuncInfo* funcInfo, ProcDataInfo* d) {
    (void)funcInfo;
    if (!d->verbose) return 0;
    markTime(&aux.msgTime);
    const bool last = !d->varCountFlag && d->sliceCode >= d->sliceCount;
    if (d->verbose == 1) {
        if (aux.showFirst) {
            if (d->varCountFlag)
                specMsg("\n%-6s %dx%d Variable Count    \n", fnNameOf(d), d->size, d->quadState);
            else
                specMsg("\n%-6s %dx%dx%d \n", fnNameOf(d), d->size, d->sliceCount, d->quadState);
            aux.showFirst = false;
        }
    } else {
        const int inc = d->verbInc < 1 ? 1 : d->verbInc;
        if (d->sliceCode == 1 || d->sliceCode % inc == 0 || last) {
            if (d->varCountFlag)
                specMsg("%-6s %6d     \r", fnNameOf(d), d->sliceCode);
            else
                specMsg("%-6s %6d of %d     \r", fnNameOf(d), d->sliceCode, d->sliceCount);
        }
        if (last) specMsg("\n");
    }
    if (last) aux.showFirst = true;
    std::fflush(stderr);
    addElapsed(&aux.msgTime);
    return 0;
}

int showInfo(ProcDataInfo* d) {
    const char* message = d->message != nullptr ? d->message : "";
    const char* notifier = std::getenv("NMR_NOTIFIER");
    if (!d->x11Flag || notifier == nullptr || notifier[0] == '\0') {
        specMsg("%s: %s\n", fnNameOf(d), message);
        return 0;
    }
    char* const argv[] = {const_cast<char*>(notifier), const_cast<char*>("-label"),
                          const_cast<char*>(fnNameOf(d)), const_cast<char*>(message), nullptr};
    const int status = sysCmnd(argv, 1);
    if (status != 0) {
        const int err = errno;
        specMsg("Tessmar Error running notifier %s: %s\n", notifier, err != 0 ? std::strerror(err) : "failed");
    }
    return status;
}

int getUserSignal() { return aux.userSignal; }

int setUserSignal(int value) {
    const int previous = aux.userSignal;
    aux.userSignal = value;
    return previous;
}

int sendNullHdr(ProcDataInfo* d) {
    std::memset(d->fdata, 0, sizeof d->fdata);
    if (d->serverMode == kServerClient) {
        abortLine(d);
        for (int i = 0; i < d->serverCount; i++) {
            const int status = DataWrite(d->server[i].sock, d->fdata, kHdrBytes);
            if (status != 0) {
                specMsg("Tessmar Client Error writing header to %s.\n",
                        d->server[i].name != nullptr ? d->server[i].name : "");
                return status;
            }
        }
    }
    if (outputIsFile(d) || d->serverMode == kServerServer) return 0;
    abortLine(d);
    return DataWrite(d->outUnit, d->fdata, kHdrBytes);
}

void shutDownPipe(int status) {
    ProcDataInfo* d = aux.dataInfo;
    if (status != 0) {
        if (d == nullptr || !d->silentExit) {
            specMsg("Tessmar Error Status: %d\n", status);
            specMsg("Tessmar Function %s\n",
                    aux.funcInfo != nullptr && aux.funcInfo->name != nullptr ? aux.funcInfo->name : "");
        }
        if (d != nullptr) {
            nmrCloseServers(d, 0);
            nmrKillServers(d);
        }
    } else if (d != nullptr) {
        nmrCloseServers(d, 1);
    }
    addElapsed(&aux.totalTime);
    foundation::showNmrTime(aux.funcInfo, d);
    if (d != nullptr && d->debug) specMsg("Tessmar Exiting, Status: %d\n", status);
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

int nmrMathErr(int errType, int errCode, const char* procName, const char* message) {
    (void)errType;
    (void)errCode;
    if (aux.dataInfo == nullptr || !aux.dataInfo->debug) return 0;
    specMsg("\n\n*** Math Library Error: %s\n%s\n", procName != nullptr ? procName : "",
            message != nullptr ? message : "");
    return 0;
}

}  // namespace korim::spectral
