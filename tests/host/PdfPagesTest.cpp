// PDF jobs: every page of the document becomes a page at the printer's width.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/print/ImageFiles.h"
#include "host/print/JobError.h"
#include "host/print/JobInput.h"

namespace fs = std::filesystem;
using namespace mkt::host;

namespace {

// A PDF of 72 x 144 pt pages; page i holds the given content stream.
std::string MakePdf(const std::vector<std::string>& contents) {
    std::vector<std::string> objects;
    const std::size_t n = contents.size();
    std::string kids;
    for (std::size_t i = 0; i < n; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>");
    for (std::size_t i = 0; i < n; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 144] /Contents " +
                          std::to_string(4 + 2 * i) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(contents[i].size()) + " >>\nstream\n" + contents[i] +
                          "\nendstream");
    }
    std::ostringstream pdf;
    pdf << "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(static_cast<std::size_t>(pdf.tellp()));
        pdf << (i + 1) << " 0 obj\n" << objects[i] << "\nendobj\n";
    }
    const std::size_t xref = static_cast<std::size_t>(pdf.tellp());
    pdf << "xref\n0 " << objects.size() + 1 << "\n0000000000 65535 f \n";
    for (std::size_t off : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        pdf << line;
    }
    pdf << "trailer\n<< /Size " << objects.size() + 1 << " /Root 1 0 R >>\nstartxref\n" << xref << "\n%%EOF\n";
    return pdf.str();
}

TEST(PdfPages, EachPageIsRenderedAtThePrinterWidth) {
    const fs::path dir = fs::temp_directory_path() / ("mkt450-pdf-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // Page 1: black top half; page 2: empty.
    std::ofstream(dir / "doc.pdf", std::ios::binary) << MakePdf({"0 g 0 72 72 72 re f", ""});
    std::vector<GreyImage> pages = LoadPdfPages(dir / "doc.pdf", 576);
    ASSERT_EQ(pages.size(), 2u);
    for (const GreyImage& p : pages) {
        EXPECT_EQ(p.width, 576);
        EXPECT_NEAR(p.height, 1152, 2);
    }
    EXPECT_LT(pages[0].Row(100)[300], 64);    // inside the black half
    EXPECT_GT(pages[0].Row(1000)[300], 192);  // below it: paper white
    for (std::uint8_t px : pages[1].pixels) ASSERT_EQ(px, 255);

    JobDescription job = LoadJob(dir / "doc.pdf", LoadOptions{384});
    ASSERT_EQ(job.pages.size(), 2u);
    EXPECT_EQ(job.pageWidth, 384);
    EXPECT_EQ(job.pages[1].draw.at(0).width, 384);

    std::ofstream(dir / "bad.pdf", std::ios::binary) << "%PDF-1.4\nnonsense";
    EXPECT_THROW(LoadJob(dir / "bad.pdf"), JobError);
    fs::remove_all(dir);
}

}  // namespace
