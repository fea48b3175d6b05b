#include "installer/ops/DriverInstaller.h"

#include "installer/app/InstallerLog.h"
#include "installer/ops/PlatformChecks.h"
#include "installer/ops/StringTable.h"

namespace installer {

CDriverInstaller::CDriverInstaller(IMessageBoxes& boxes, IClock& clock)
    : m_boxes(boxes), m_clock(clock) {
    m_strMfgName = LoadInstallerString(IDS_MFG_NAME);
    m_strInfFile = LoadInstallerString(IDS_INF_FILE);
    m_strPrinterName = LoadInstallerString(IDS_PRINTER_NAME);
    m_bWow64 = IsWow64();
    m_nOSVersion = CheckOS();
    m_strSourceDir = m_bWow64 ? u".\\Driver64\\" : u".\\Driver32\\";
    WriteLog(u"SOURCE DIRECTORY : %s", m_strSourceDir);
}

void CDriverInstaller::StepMessage(std::u16string_view text) {
    if (!m_pSink) return;  // no progress display connected
    m_pSink->SetMessageText(text);
    m_pSink->StepProgress();
    m_pSink->PostRefresh();
}

void CDriverInstaller::FinalMessage(std::u16string_view text) {
    if (!m_pSink) return;
    m_pSink->SetMessageText(text);
    m_pSink->SetProgressPosition(100);
    m_pSink->PostRefresh();
}

}  // namespace installer
