#include "content/Controls.h"

#include <stdexcept>
#include <type_traits>

namespace tarvo::content {

Table FixedTable(std::vector<Column> columns, std::vector<std::vector<std::string>> rows) {
  auto shared = std::make_shared<const std::vector<std::vector<std::string>>>(std::move(rows));
  const std::size_t count = shared->size();
  return Table(std::move(columns), count,
               [shared](std::size_t row, std::vector<std::string>& cells) { cells = (*shared)[row]; });
}

const std::vector<Column>& Table::NoColumns() {
  static const std::vector<Column> none;
  return none;
}

const Control* Page::Find(std::string_view name) const {
  for (const Control& control : controls)
    if (control.name == name) return &control;
  return nullptr;
}

namespace {
template <typename T>
const T& Get(const Page& page, std::string_view name) {
  const Control* control = page.Find(name);
  if (control == nullptr) throw std::out_of_range("no control " + std::string(name));
  const T* value = std::get_if<T>(&control->value);
  if (value == nullptr) throw std::out_of_range("control " + std::string(name) + " is of another kind");
  return *value;
}
}  // namespace

Page Cleared(const Page& page) {
  Page cleared;
  cleared.controls.reserve(page.controls.size());
  for (const Control& control : page.controls) {
    Value value = std::visit(
        [](const auto& shown) -> Value {
          using T = std::decay_t<decltype(shown)>;
          if constexpr (std::is_same_v<T, Table>) {
            return Table(shown.Columns());
          } else {
            return T{};
          }
        },
        control.value);
    cleared.Add(control.name, std::move(value));
  }
  return cleared;
}

const std::string& Page::Text(std::string_view name) const { return Get<std::string>(*this, name); }
bool Page::Checked(std::string_view name) const { return Get<bool>(*this, name); }
const Table& Page::List(std::string_view name) const { return Get<Table>(*this, name); }
const Combo& Page::Choice(std::string_view name) const { return Get<Combo>(*this, name); }
const Lines& Page::Items(std::string_view name) const { return Get<Lines>(*this, name); }

}  // namespace tarvo::content
