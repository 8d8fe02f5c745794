#include "app/CommandLine.h"

#include "TarvoVersion.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstdio>
#include <initializer_list>

namespace tarvo {

namespace {

void Print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// Qt's own options, which the GUI application takes out of the arguments
// later. They are accepted here, unlisted, so that they are no usage error.
void AddQtOptions(QCommandLineParser& parser) {
  for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                           "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet"}) {
    QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
    QCommandLineOption option(QString::fromLatin1(name));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

}  // namespace

std::variant<StartOptions, int> ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  // Qt's options are single-dash words; ours work with one dash or two.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(
      QStringLiteral("Shows what a Tarvo song file (.kvs) holds, without changing it."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Print this help and exit."));
  const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Print the version and exit."));
  const QCommandLineOption map(QStringLiteral("map"), QStringLiteral("Open the File Map window of FILE too."));
  parser.addOption(help);
  parser.addOption(version);
  const QCommandLineOption noSettings(QStringLiteral("no-settings"),
                                     QStringLiteral("Start as on a fresh machine: read no settings, save none."));
  parser.addOption(map);
  parser.addOption(noSettings);
  const QCommandLineOption compare(QStringLiteral("compare"),
                                   QStringLiteral("Compare two song files, OLD and NEW, in a Compare window."));
  parser.addOption(compare);
  AddQtOptions(parser);
  parser.addPositionalArgument(QStringLiteral("FILE"),
                               QStringLiteral("The song file to open; after -- when its name starts with -."),
                               QStringLiteral("[FILE]"));

  const auto usageError = [&parser](const QString& reason) {
    Print(stderr, QStringLiteral("tarvo-analyzer: ") + reason + QLatin1Char('\n') + parser.helpText());
    return ExitUsage;
  };
  if (!parser.parse(arguments)) return usageError(parser.errorText());
  if (parser.isSet(help)) {
    Print(stdout, parser.helpText());
    return 0;
  }
  if (parser.isSet(version)) {
    Print(stdout, QStringLiteral("tarvo-analyzer ") + QLatin1String(ProgramVersion) + QLatin1Char('\n'));
    return 0;
  }
  const QStringList files = parser.positionalArguments();
  if (parser.isSet(compare)) {
    if (files.size() != 2) return usageError(QStringLiteral("--compare needs two files, OLD and NEW"));
    if (parser.isSet(map)) return usageError(QStringLiteral("--compare and --map cannot be used together"));
    StartOptions options;
    options.compareOld = files[0];
    options.compareNew = files[1];
    options.noSettings = parser.isSet(noSettings);
    return options;
  }
  if (files.size() > 1) return usageError(QStringLiteral("one FILE at most"));
  StartOptions options;
  options.file = files.value(0);
  options.openMap = parser.isSet(map);
  options.noSettings = parser.isSet(noSettings);
  if (options.openMap && options.file.isEmpty()) return usageError(QStringLiteral("--map needs a FILE"));
  return options;
}

}  // namespace tarvo
