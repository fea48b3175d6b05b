// The host's stand-in for Unidrv and GDI around the rendering plug-in. It plays one print job:
// class factory -> plug-in object -> PublishDriverInterface (the host's IPrintOemDriverUni) ->
// EnableDriver (the plug-in's hooks are kept) -> EnablePDEV (a DRVENABLEDATA listing the host's
// own entry points for all 29 hooked indices) -> start of document -> per page: start page,
// start banding, the drawing operations, next band, one ImageProcessing call per band, send
// page -> end of document -> DisablePDEV -> DisableDriver -> Release.
// Every hooked call goes to the plug-in's hook when it listed one for that index, else straight
// to the host's own entry point. The host's entry points do what Unidrv would: the document and
// page entries issue CommandCallback 1 to 4, the blit and text entries paint into the page.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/print/JobDescription.h"
#include "host/print/SpoolOutput.h"
#include "oemuni/frame/UnidrvTypes.h"

namespace mkt::host {

class UnidrvHost {
public:
    UnidrvHost(const JobDescription& job, SpoolOutput& spool);
    ~UnidrvHost();
    UnidrvHost(const UnidrvHost&) = delete;
    UnidrvHost& operator=(const UnidrvHost&) = delete;

    // The spooler handle and queue name handed to the plug-in (DEVOBJ::hPrinter, EnablePDEV).
    void SetPrinter(HANDLE hPrinter, std::u16string printerName);

    // Runs the whole job. Returns false with *error set when the plug-in cannot be driven
    // (no class object, no plug-in object, EnablePDEV failed). A page too large to allocate
    // throws JobError.
    bool Run(PFN_DllGetClassObject getClassObject, std::string* error);

    // What happened, in order: the calls the host made and the host entry points the plug-in
    // reached ("EnablePDEV", "hook:StartDoc", "Drv:StartDoc", "CommandCallback:1",
    // "ImageProcessing:top=0,rows=256,blank=1", "hook:BitBlt:0,400,200,500", ...).
    const std::vector<std::string>& trace() const;

    // References the plug-in still holds on the host's IPrintOemDriverUni after Release.
    long driverInterfaceReferencesLeft() const;

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
};

}  // namespace mkt::host
