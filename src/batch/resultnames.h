// The result names of a whole run, settled before the first picture is drawn, so that a run
// with one picture at a time and a run with several at once give the same names:
// - two pictures of the run that would get the same result name: the later one in list order is
//   saved as "name (1).ext", then "(2)", ...;
// - an existing file with the result name in a folder that holds any listed source is never
//   replaced: the result gets the " (n)" name instead;
// - an existing file elsewhere (the default output folder, a folder of earlier results) is
//   replaced, skipped or kept beside by the chosen policy.
#pragma once

#include <string>
#include <vector>

namespace tavu {

// What happens to an existing file with the result name in a folder without listed sources.
// Stored as the setting iExisting: 0 replace (the default), 1 skip, 2 rename.
enum class ExistingPolicy { Overwrite = 0, Skip = 1, Rename = 2 };

// The choices as the options window lists them, in the order of their stored values.
inline constexpr const char* kExistingChoices[] = {"覆盖", "跳过", "自动改名"};

// The stored value as a policy; anything but 1 and 2 replaces.
ExistingPolicy ExistingPolicyFromSetting(int value);

struct PlannedName {
    std::string path;        // where the result goes (empty when nothing is saved)
    bool skip = false;       // an existing file is kept and the picture is not processed
    bool noReplace = false;  // the final rename must not replace a file that appears meanwhile
    std::string notice;      // one line for the run's notices (a rename or a skip), or empty
};

// `wanted[i]`: the result path the naming rule gives picture i (empty: none); `sources[i]`: its
// listed entry (the two lists are equally long). Existing files are looked up on disk now.
std::vector<PlannedName> PlanResultNames(const std::vector<std::string>& wanted,
                                         const std::vector<std::string>& sources, ExistingPolicy policy);

// "folder/name (n).ext" for "folder/name.ext" (the extension is what follows the last dot of the
// file name; a name without one gets the number at its end).
std::string NumberedName(const std::string& path, int n);

// The notice lines.
std::string RenamedNotice(const std::string& source, const std::string& newPath, bool clashInRun);
std::string SkippedNotice(const std::string& source, const std::string& existingPath);

}  // namespace tavu
