// The naming rule and the names planned for a run. Input: one byte of switches (bit 0 rename,
// bits 1-2 the existing-file policy, bit 3 a listed source in the output folder), three bytes
// of the picture's index (little-endian), then NUL-separated texts: source, prefix, digits,
// extension. The output folder is a fresh folder holding two files that the names may hit.
#include <sys/stat.h>

#include <fstream>
#include <set>

#include "batch/naming.h"
#include "batch/resultnames.h"
#include "batch/sizepresets.h"
#include "fuzzcheck.h"

using namespace tavu;

namespace {

const std::string& OutDir() {
    static const std::string dir = [] {
        const std::string d = fuzz::ScratchFolder("naming");
        for (const char* name : {"Tavu_0000.JPG", "noext.tiff"}) std::ofstream(d + "/" + name) << "x";
        return d;
    }();
    return dir;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t switches = data[0];
    const int index = data[1] | (data[2] << 8) | (data[3] << 16);
    std::vector<std::string> texts = fuzz::SplitInput(data + 4, size - 4, std::string_view("\0", 1));
    texts.resize(4);
    const std::string& source = texts[0];
    NamingRule rule;
    rule.rename = switches & 1;
    rule.prefix = texts[1];
    rule.digitsText = texts[2];
    rule.outDir = OutDir();
    const std::string& ext = texts[3];

    const std::string path = ResultPath(rule, source, index, ext);
    FUZZ_CHECK(path.rfind(rule.outDir + "/", 0) == 0);
    FUZZ_CHECK(path.size() > ext.size() && path.compare(path.size() - ext.size() - 1, std::string::npos, "." + ext) == 0);
    const std::string number = SequenceNumber(index, rule.digitsText);
    const size_t zeros = number.find_first_not_of('0');
    FUZZ_CHECK(number.substr(zeros == std::string::npos ? number.size() - 1 : zeros) == std::to_string(index));
    if (!rule.rename) FUZZ_CHECK(KeepNameBase(source).find('/') == std::string::npos);

    const KeepFormat keep = KeepSourceFormat(source);
    FUZZ_CHECK(keep.extension.size() <= 4);
    if (keep.bitmapWriter) FUZZ_CHECK(source.size() >= 4 && source.compare(source.size() - 4, 4, ".bmp") == 0);
    const std::string shown = ShortFolderDisplay(source);
    FUZZ_CHECK(shown.size() <= source.size() + 3);
    if (IsValidUtf8(source)) FUZZ_CHECK(IsValidUtf8(shown));
    FUZZ_CHECK(NumberedName(path, 1 + index % 1000) != path);

    // A run of four pictures: two clashing names, the next picture's, and an already numbered one.
    const ExistingPolicy policy = ExistingPolicyFromSetting((switches >> 1) & 3);
    const std::string besideResults = rule.outDir + "/noext.tiff";
    const std::vector<std::string> sources = {source, (switches & 8) ? besideResults : source, source, source};
    const std::vector<std::string> wanted = {path, path, ResultPath(rule, source, index + 1, ext), NumberedName(path, 1)};
    const std::vector<PlannedName> plan = PlanResultNames(wanted, sources, policy);
    FUZZ_CHECK(plan.size() == wanted.size());
    std::set<std::string> given;
    for (size_t i = 0; i < plan.size(); ++i) {
        const PlannedName& p = plan[i];
        if (p.skip) {
            FUZZ_CHECK(policy == ExistingPolicy::Skip && p.path.empty() && !p.notice.empty());
            continue;
        }
        FUZZ_CHECK(!p.path.empty());
        FUZZ_CHECK(given.insert(Lower(p.path)).second);  // no two results share a name
        for (const std::string& s : sources) FUZZ_CHECK(!SameFile(p.path, s));  // no source is replaced
        if (p.path != wanted[i]) FUZZ_CHECK(p.noReplace && !p.notice.empty());
    }
    return 0;
}
