#include "tools/rating-service/csv_reader.h"

namespace quorvia::rating_service {

bool ParseCsv(std::string_view text, std::vector<CsvRecord>& records, std::string& error) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  records.clear();

  int line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    CsvRecord record;
    record.line = line;
    bool blank = true;
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        blank = false;
        const int opened = line;
        ++i;
        for (;;) {
          if (i >= text.size()) {
            error = "line " + std::to_string(opened) + ": a quoted field is not closed";
            return false;
          }
          char c = text[i++];
          if (c == '"') {
            if (i < text.size() && text[i] == '"') {
              field += '"';
              ++i;
              continue;
            }
            break;
          }
          if (c == '\n') ++line;
          field += c;
        }
        if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (i < text.size() && text[i] != ',' && text[i] != '\n') {
          error = "line " + std::to_string(line) + ": text after a quoted field";
          return false;
        }
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '\n') field += text[i++];
        if (!field.empty() && field.back() == '\r' && (i >= text.size() || text[i] == '\n')) field.pop_back();
        if (!field.empty()) blank = false;
      }
      record.fields.push_back(std::move(field));
      if (i < text.size() && text[i] == ',') {
        blank = false;
        ++i;
        continue;
      }
      break;  // end of line or of text
    }
    if (i < text.size() && text[i] == '\n') {
      ++i;
      ++line;
    }
    if (!blank) records.push_back(std::move(record));
  }
  return true;
}

}  // namespace quorvia::rating_service
