#include "volume_table.h"

#include <algorithm>
#include <set>

#include "diskpart_text.h"

namespace molvane {
namespace {

// Width of a character in diskpart's fixed-width layout: its length in code page 936,
// where everything outside ASCII (and the single-byte euro sign) takes two bytes.
int DisplayWidth(wchar_t c) { return (c < 0x80 || c == 0x20AC) ? 1 : 2; }

bool IsBlank(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c == L' ' || c == L'\t'; });
}

std::wstring Trim(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return L"";
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::wstring AsciiLowered(std::wstring text) {
  for (wchar_t& c : text) c = AsciiLower(c);
  return text;
}

bool IsDashesLine(const std::wstring& line) {
  return line.find(L'-') != std::wstring::npos &&
         line.find_first_not_of(L"- ") == std::wstring::npos;
}

struct Column {
  int start = 0;
  int end = 0;  // one past the last display column
};

std::vector<Column> ColumnsOfDashes(const std::wstring& dashes) {
  std::vector<Column> columns;
  for (int i = 0; i < static_cast<int>(dashes.size()); ++i) {
    if (dashes[i] != L'-') continue;
    if (columns.empty() || columns.back().end != i) columns.push_back({i, i});
    columns.back().end = i + 1;
  }
  return columns;
}

// Splits a line into one trimmed cell per column. Fails when a visible character sits between
// columns or straddles a column edge. The last column runs to the end of the line, and the
// margin before the first column may hold diskpart's "*" mark of the selected volume.
std::optional<std::vector<std::wstring>> SplitIntoCells(const std::wstring& line,
                                                        const std::vector<Column>& columns) {
  std::vector<std::wstring> cells(columns.size());
  int position = 0;
  for (wchar_t c : line) {
    const int start = position;
    position += DisplayWidth(c);
    size_t index = 0;
    while (index + 1 < columns.size() && columns[index].end <= start) ++index;
    const bool last = index + 1 == columns.size();
    const bool inside = start >= columns[index].start && (last || position <= columns[index].end);
    if (inside) {
      cells[index] += c;
    } else if (c != L' ' && !(c == L'*' && position <= columns.front().start)) {
      return std::nullopt;
    }
  }
  for (std::wstring& cell : cells) cell = Trim(cell);
  return cells;
}

// Where the three cells Molvane needs sit, found from the header's titles: the number
// column titled "<word> ###" (its rows read "<word> <number>"), the letter column, the type.
struct TableLayout {
  std::vector<Column> columns;
  size_t numberColumn = 0;
  std::wstring numberWord;
  size_t letterColumn = 0;
  size_t typeColumn = 0;
};

std::optional<size_t> OnlyColumnTitled(const std::vector<std::wstring>& titles,
                                       bool (*matches)(const std::wstring&)) {
  std::optional<size_t> found;
  for (size_t i = 0; i < titles.size(); ++i) {
    if (!matches(titles[i])) continue;
    if (found) return std::nullopt;
    found = i;
  }
  return found;
}

bool IsNumberTitle(const std::wstring& title) {
  return title.size() > 3 && title.ends_with(L" ###");
}
bool IsLetterTitle(const std::wstring& title) { return AsciiLowered(title) == L"ltr"; }
bool IsTypeTitle(const std::wstring& title) {
  return title == L"类型" || AsciiLowered(title) == L"type";
}

std::optional<TableLayout> ReadLayout(const std::wstring& header, const std::wstring& dashes) {
  TableLayout layout;
  layout.columns = ColumnsOfDashes(dashes);
  const auto titles = SplitIntoCells(header, layout.columns);
  if (!titles) return std::nullopt;
  const auto number = OnlyColumnTitled(*titles, IsNumberTitle);
  const auto letter = OnlyColumnTitled(*titles, IsLetterTitle);
  const auto type = OnlyColumnTitled(*titles, IsTypeTitle);
  if (!number || !letter || !type) return std::nullopt;
  layout.numberColumn = *number;
  layout.numberWord = Trim((*titles)[*number].substr(0, (*titles)[*number].size() - 3));
  layout.letterColumn = *letter;
  layout.typeColumn = *type;
  return layout;
}

// "<word> <digits>", such as "卷     12" or "Volume 3".
std::optional<int> ReadNumberCell(const std::wstring& cell, const std::wstring& word) {
  if (!cell.starts_with(word)) return std::nullopt;
  const std::wstring rest = cell.substr(word.size());
  const std::wstring digits = Trim(rest);
  if (rest.empty() || rest.front() != L' ' || digits.empty() || digits.size() > 4) {
    return std::nullopt;
  }
  int number = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return std::nullopt;
    number = number * 10 + (c - L'0');
  }
  return number;
}

// An empty cell (no letter) or one ASCII letter.
std::optional<wchar_t> ReadLetterCell(const std::wstring& cell) {
  if (cell.empty()) return wchar_t{0};
  if (cell.size() != 1 || !IsAsciiLetter(cell[0])) return std::nullopt;
  return AsciiUpper(cell[0]);
}

std::optional<VolumeRow> ReadRow(const std::wstring& line, const TableLayout& layout) {
  const auto cells = SplitIntoCells(line, layout.columns);
  if (!cells) return std::nullopt;
  const auto number = ReadNumberCell((*cells)[layout.numberColumn], layout.numberWord);
  const auto letter = ReadLetterCell((*cells)[layout.letterColumn]);
  if (!number || !letter) return std::nullopt;
  const bool optical = AsciiLowered((*cells)[layout.typeColumn]).find(L"rom") != std::wstring::npos;
  return VolumeRow{*number, *letter, optical};
}

}  // namespace

std::optional<std::vector<VolumeRow>> ReadVolumeTable(const std::vector<std::wstring>& lines) {
  if (lines.size() < kDiskpartPreambleLines) return std::nullopt;
  size_t dashes = kDiskpartPreambleLines;
  while (dashes < lines.size() && !IsDashesLine(lines[dashes])) ++dashes;
  if (dashes == lines.size()) return std::nullopt;
  const auto layout = ReadLayout(lines[dashes - 1], lines[dashes]);
  if (!layout) return std::nullopt;

  std::vector<VolumeRow> rows;
  std::set<int> numbers;
  for (size_t i = dashes + 1; i < lines.size() && !IsBlank(lines[i]); ++i) {
    const auto row = ReadRow(lines[i], *layout);
    if (!row || !numbers.insert(row->number).second) return std::nullopt;
    rows.push_back(*row);
  }
  return rows;
}

std::optional<int> FindVolumeNumber(const std::vector<VolumeRow>& rows, wchar_t letter) {
  if (!IsAsciiLetter(letter)) return std::nullopt;
  const wchar_t wanted = AsciiUpper(letter);
  std::optional<int> found;
  for (const VolumeRow& row : rows) {
    if (row.optical || row.letter != wanted) continue;
    if (found) return std::nullopt;
    found = row.number;
  }
  return found;
}

}  // namespace molvane
