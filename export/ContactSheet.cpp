#include "export/ContactSheet.h"

namespace tallowby {

std::unique_ptr<ContactSheet> MakeContactSheet(ExportFormat format) {
    switch (format) {
    case ExportFormat::Xlsx:
        return MakeXlsxSheet();
    case ExportFormat::Csv:
        return MakeCsvSheet();
    case ExportFormat::Xls:
    case ExportFormat::Vcf:
        break;
    }
    return MakeXlsSheet();
}

} // namespace tallowby
