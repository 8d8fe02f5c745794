#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <string>

namespace tarvo {

// The application object. An error that escapes any handler ends up in
// notify(), which shows it and lets the program go on: whatever the handler
// did before the error stays done.
class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);

  // The default error handler: a box titled "Tarvo Analyzer" with an error
  // icon and the error's text.
  static void ShowException(const std::exception& error);

  // QCoreApplication
  bool notify(QObject* receiver, QEvent* event) override;
};

// Wraps an event handler so that an error leaving it reaches the default
// error handler right at the handler: letting it unwind through the
// toolkit's own widget code would skip that code's clean-up.
template <typename Object, typename... Args>
auto Guarded(Object* object, void (Object::*handler)(Args...)) {
  return [object, handler](Args... args) {
    try {
      (object->*handler)(args...);
    } catch (const std::exception& error) {
      TApplication::ShowException(error);
    }
  };
}

// The text of the error box: the error's text, with a full stop added when
// its last character's code lies above that of ".".
QString ErrorBoxText(const std::string& what);

}  // namespace tarvo
