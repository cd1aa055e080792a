#include "profile/icm_filename.h"

#include <string>
#include <vector>

#include "app/diagnostics.h"
#include "app/run_context.h"
#include "app/run_report.h"
#include "discovery/board_product.h"
#include "discovery/display_discovery.h"
#include "panel/panel_candidates.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kVendorText = 10;
constexpr std::size_t kProfilePath = 260;

} // namespace

bool GetIcmFilename(char16_t* baseName, std::size_t capacity) {
    char16_t board[kBoardProductText] = {};
    char16_t vendor[kVendorText] = {};
    const bool boardFound = GetBoardProduct(board) != 0;
    ReportBoard(boardFound, board);
    if (!boardFound) {
        return false;
    }
    const bool vendorFound = my_Get_VGA_VID2(vendor) != 0;
    ReportVendor(vendorFound, vendor);
    if (!vendorFound) {
        return false;
    }
    // The queries write into these buffers; their last unit stays a terminator whatever they wrote.
    board[kBoardProductText - 1] = u'\0';
    vendor[kVendorText - 1] = u'\0';

    const std::vector<std::u16string> candidates = GetPanelCandidates();
    if (candidates.empty()) {
        return false;
    }
    char16_t folder[kProfilePath] = {};
    platform::WCopy(folder, kProfilePath, kStagingFolderW);
    char16_t path[kProfilePath] = {};
    for (const std::u16string& candidate : candidates) {
        platform::FormatWhole(baseName, capacity, u"%s_%s_%s", board, vendor, candidate);
        // A path too long for its buffer names no file that this run could use.
        const bool exists =
            platform::FormatWhole(path, kProfilePath, u"%s%s_%s_%s.icm", folder, board, vendor, candidate) &&
            StagedFileExists(path);
        ReportTried(std::u16string(baseName) + u".icm", exists);
        if (exists) {
            return true;
        }
        TraceW(u"GetIcmFilename - [%s] not exist \n", path);
    }
    TraceW(u"GetIcmFilename - last one still not find \n");
    return false;
}
