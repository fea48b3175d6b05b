#include "InstallerFixture.h"
#include "installer/ops/DriverInstaller.h"

using namespace installer;

class FileOperationsTest : public InstallerMachine {};

TEST_F(FileOperationsTest, InfIsRegisteredOnceAndThenReplaced) {
    CDriverInstaller first(boxes, clock);
    EXPECT_FALSE(first.INFFileExist(u"VARNOKE", u"VARNOKE MKT-G450"));
    ASSERT_TRUE(first.CopyINFFile());
    EXPECT_EQ(first.m_strInfFile, u"C:\\Windows\\INF\\oem0.inf");
    EXPECT_EQ(ReadHost(root / "C" / "Windows" / "INF" / "oem0.inf"),
              ReadHost(package / "MKTG450.inf"));
    EXPECT_TRUE(Logged(u"INF FILE SRC PATH : .\\MKTG450.inf"));
    EXPECT_TRUE(Logged(u"INF FILE NAME : C:\\Windows\\INF\\oem0.inf"));

    // Found through its models section, decorated for 64-bit Windows.
    EXPECT_TRUE(first.INFFileExist(u"VARNOKE", u"VARNOKE MKT-G450"));
    EXPECT_TRUE(Logged(u"SECTION NAME : VARNOKE.NTamd64"));
    EXPECT_TRUE(Logged(u"OEM FILE NAME : oem0.inf"));
    EXPECT_FALSE(first.INFFileExist(u"VARNOKE", u"VARNOKE MKT-G999"));

    CDriverInstaller second(boxes, clock);
    ASSERT_TRUE(second.CopyINFFile());
    EXPECT_TRUE(Logged(u"SetupCopyOEMInf failed-1. (80)"));
    EXPECT_EQ(second.m_strInfFile, u"C:\\Windows\\INF\\oem0.inf");
    EXPECT_FALSE(fs::exists(root / "C" / "Windows" / "INF" / "oem1.inf"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileOperationsTest, RegistrationErrorIsShownInEveryMode) {
    WriteHost(package / "MKTG450.inf", "not an INF\r\n");
    CDriverInstaller engine(boxes, clock);
    EXPECT_FALSE(engine.CopyINFFile());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].type, MB_ICONERROR);
    EXPECT_EQ(boxes.shown[0].text.rfind(u"AddPrinterDriver Error,  ERR CODE: -536870656\r\n", 0), 0u)
        << U8(boxes.shown[0].text);
    EXPECT_TRUE(Logged(u"SetupCopyOEMInf Error,  ERR CODE: -536870656\r\n"));
    EXPECT_TRUE(Logged(u"INF FILE NAME : "));
    EXPECT_EQ(engine.m_strInfFile, u"MKTG450.inf");
}

TEST_F(FileOperationsTest, CopyRoutinesAndSubFolders) {
    CDriverInstaller engine(boxes, clock);
    WriteHost(root / "C" / "Src" / "a.txt", "A");
    WriteHost(root / "C" / "Src" / "b.txt", "B");
    fs::create_directories(root / "C" / "Src" / "sub");
    fs::create_directories(root / "C" / "Dst1");
    fs::create_directories(root / "C" / "Dst2");

    engine.CopyAllFilesToTargetDirectory(u"C:\\Src", u"C:\\Dst1");
    EXPECT_EQ(ReadHost(root / "C" / "Dst1" / "a.txt"), "A");
    EXPECT_FALSE(fs::exists(root / "C" / "Dst1" / "sub"));
    EXPECT_TRUE(Logged(u"CopyAllFilesToTargetDirectory : [0] C:\\Dst1\\a.txt"));
    EXPECT_TRUE(Logged(u"CopyAllFilesToTargetDirectory : [1] C:\\Dst1\\b.txt"));

    engine.CopyFilesToDest(u"C:\\Src", u"C:\\Dst2\\");
    EXPECT_EQ(ReadHost(root / "C" / "Dst2" / "b.txt"), "B");
    EXPECT_TRUE(Logged(u"FILE SRC : C:\\Src\\sub"));
    EXPECT_TRUE(Logged(u"FILE DES : C:\\Dst2\\sub"));
    size_t errors = 0;
    for (const auto& m : LogMessages())
        if (m.rfind(u"COPY FILE ERROR : ", 0) == 0) ++errors;
    EXPECT_EQ(errors, 1u);
}

TEST_F(FileOperationsTest, ExistingFolderIsEmptiedAndRecreated) {
    CDriverInstaller engine(boxes, clock);
    WriteHost(root / "C" / "Windows" / "MKT-G450" / "old.jnl", "old");
    WriteHost(root / "C" / "Windows" / "MKT-G450" / "PreviewBin" / "x.bin", "x");
    EXPECT_TRUE(engine.CreateDirectoryWithSA(u"C:\\Windows\\MKT-G450"));
    EXPECT_TRUE(fs::is_directory(root / "C" / "Windows" / "MKT-G450"));
    EXPECT_TRUE(fs::is_empty(root / "C" / "Windows" / "MKT-G450"));
}

TEST_F(FileOperationsTest, UtilityFilesGoToTheProductAndSystemFolders) {
    CDriverInstaller engine(boxes, clock);
    engine.CopyFilesOfUtilities();
    const fs::path product = root / "C" / "Windows" / "MKT-G450";
    for (const char* f : {"MKTG450_Config.VKR", "MKTG450.inf", "icon.ico", "MKTG450_Uninstaller.exe"})
        EXPECT_TRUE(fs::exists(product / f)) << f;
    EXPECT_FALSE(fs::exists(product / "Driver64"));
    EXPECT_EQ(ReadHost(product / "PreviewBin" / "Code128.bin"), std::string("\x1d\x28\x6b", 3));
    EXPECT_EQ(ReadHost(root / "C" / "Windows" / "System32" / "MKTG450_Config.VKR"),
              ReadHost(package / "MKTG450_Config.VKR"));
    EXPECT_TRUE(Logged(u"DIR PATH TO CREATE : C:\\Windows\\MKT-G450\\PreviewBin"));
}
