#include "installer/ops/StringTable.h"

namespace installer {

std::u16string LoadInstallerString(UINT id) {
    switch (id) {
        case IDS_PRINT_PROCESSOR: return u"VKR PRINT PROCESSOR MKT-G450";
        case IDS_PRINT_PROCESSOR_DLL: return u"MKPRO450.dll";
        case IDS_INF_FILE: return u"MKTG450.inf";
        case IDS_MODEL_NAME: return u"MKT-G450";
        case IDS_UNINSTALLER: return u"MKTG450_Uninstaller.exe";
        case IDS_MFG_NAME: return u"VARNOKE";
        case IDS_VID_PID: return u"Vid_7A3E&Pid_0142";
        case IDS_USBPRINT_ENUM_KEY: return u"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\VARNOKE_MKT-G450";
        case IDS_PRINTER_NAME: return u"VARNOKE MKT-G450";
        case IDS_PNP_DRIVER_DIR_1: return u"VARNOKE_MKT_G450C5E1";
        case IDS_PNP_DRIVER_DIR_2: return u"VARNOKE_MKT_G450C5E1";
        case IDS_NOT_USED_1: return u"NOT USED";
        case IDS_NOT_USED_2: return u"NOT USED";
        case IDS_PUBLISHER: return u"VARNOKE Co., Ltd.";
        case IDS_UNINSTALL_ICON: return u"icon.ico";
        case IDS_LANGUAGE_MONITOR_DLL: return u"MKMON450.dll";
        case IDS_CORE_DLL: return u"MKT450.dll";
        case IDS_UI_DLL: return u"MKUI450.dll";
        case IDS_RENDER_DLL: return u"MKUNI450.dll";
        case IDS_GPD_FILE: return u"MKT450.GPD";
        case IDS_LANGUAGE_MONITOR: return u"VKR Language Monitor MKT-G450";
        case IDS_UNINSTALL_REG:
            return u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VARNOKE_MKT-G450";
        case IDS_MAJOR_VERSION: return u"1";
        case IDS_MINOR_VERSION: return u"1";
        case IDS_BUILD_VERSION: return u"2";
        case IDS_EXTRA_VERSION: return u"0";
        default: return {};
    }
}

int DecimalValue(std::u16string_view t) {
    size_t i = 0;
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t')) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
    long long v = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i) {
        v = v * 10 + (t[i] - u'0');
        if (v > 0x7FFFFFFFLL) v = 0x80000000LL;  // saturate like the system's conversion
    }
    if (negative) v = -v;
    if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
    return static_cast<int>(v);
}

}  // namespace installer
