#include "content/pages/MainContent.h"

#include <string>
#include <vector>

#include "content/Cells.h"
#include "text/Format.h"

namespace tarvo::content {
namespace {

std::vector<Column> SendFxAssignColumns() { return {{"#", -1}, {"Module #", 300}}; }

}  // namespace

Page FillSendFxAssignPage(const Song& song) {
  const TKvsLoader& loader = *song;
  Page page;
  page.Add("EdtFXAssignDataSize", Format("%d bytes", {loader.FXAssignDataSize()}));
  page.Add("LstSendFXAssigns", Table(SendFxAssignColumns(), loader.SendFxAssigns().size(),
                                     [song](std::size_t row, std::vector<std::string>& cells) {
                                       cells.push_back(RowCaption(row));
                                       // Object i stands for entry i of the record, which holds 8;
                                       // a position past them has nothing to show.
                                       if (row >= std::size_t{TKvsSendFxAssign::MaxAssigns}) return;
                                       const int entry = static_cast<int>(row);
                                       cells.push_back(
                                           ModuleRefText(*song, song->SendFxAssigns()[row].AssignModule(entry)));
                                     }));
  return page;
}

}  // namespace tarvo::content
