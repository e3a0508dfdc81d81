#include "journal/journal_place.h"

#include "journal/journal_schema.h"
#include "journal/json_text.h"
#include "storage/data_folder.h"

namespace kerfolio::journal {

std::filesystem::path JournalPath(const std::filesystem::path& dataFolder,
                                  const std::filesystem::path& userFolder) {
    if (userFolder.empty() || MayWriteInto(dataFolder)) return dataFolder / kFileName;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::weakly_canonical(dataFolder, error);
    if (error) absolute = std::filesystem::absolute(dataFolder, error);
    return userFolder / "journals" / ("journal-" + Fingerprint(absolute.string()) + ".sqlite");
}

}  // namespace kerfolio::journal
