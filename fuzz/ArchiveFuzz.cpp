// Lists arbitrary bytes as an archive and extracts every listed member into a scratch
// folder: nothing may appear beside the target folder, nor anything but regular files
// in it.
#include "ArchiveLib.h"
#include "ScratchRoot.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzscratch::Root("fuzz-archive");
    const std::string archive = root + "/in.bin";
    fuzzscratch::WriteInput(archive, data, size);
    const std::string target = fuzzscratch::FreshTarget(root);

    const archivelib::TListing listing = archivelib::ListMembers(archive, {});
    std::vector<std::string> names;
    for (const archivelib::TMember& m : listing.Members)
        names.push_back(m.Name);
    if (listing.Status == archivelib::TStatus::Ok)
        archivelib::ExtractMembers(archive, names, target);
    fuzzscratch::CheckRoot(root, "in.bin", true);
    return 0;
}
