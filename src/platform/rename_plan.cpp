// The plan of a rename pass, read off a file view.
#include "platform/rename_plan.h"

#include "platform/file_view.h"

namespace platform {

RenamePlan renamePlan(const FileView& files, QStringList newNames) {
    RenamePlan plan{files.path(), files.names(), std::move(newNames), {}};
    plan.fileIds.reserve(plan.oldNames.size());
    for (qsizetype row = 0; row < plan.oldNames.size(); ++row)
        plan.fileIds.append(files.fileId(row));
    return plan;
}

} // namespace platform
