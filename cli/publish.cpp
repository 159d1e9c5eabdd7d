#include "cli/publish.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "platform/safe_file.h"

#include "publish/web_page.h"

namespace fablewick {

int RunPublish(const PublishCommand& command, const TableCatalog& catalog,
               const std::filesystem::path& tables_folder,
               const std::filesystem::path& program_folder, const Settings& settings,
               bool tab_calls_as_errors) {
  const PublishRequest& request = command.request;
  if (request.tables.empty() && request.categories.empty() && !request.all) {
    std::cerr << "fablewick-cli: name a table, a --category or --all\n"
                 "Run with --help for more information.\n";
    return 2;
  }
  const Publication publication =
      CollectPublication(catalog, tables_folder, program_folder, request);
  if (!publication.problem.empty()) {
    std::cerr << "fablewick-cli: " << publication.problem << "\n";
    return 1;
  }
  if (!publication.unrunnable.empty()) {
    std::cerr << "fablewick-cli: these lines cannot run in a web page, which shows a message in "
                 "their place:\n"
              << FormatUnrunnable(publication.unrunnable);
  }
  for (const std::string& note : publication.notes) std::cerr << note << "\n";
  try {
    const std::string page =
        MakePublishedPage(publication, LoadWebEngine(command.engine_file, program_folder),
                          command.title, PageConfigText(settings, tab_calls_as_errors));
    if (command.output) {
      WriteTextFileAtomically(*command.output, page);
      std::cout << *command.output << "\n";
    } else if (!WriteAll(STDOUT_FILENO, page)) {
      throw std::runtime_error(std::string("Cannot write the standard output: ") +
                               std::strerror(errno));
    }
  } catch (const std::exception& error) {
    std::cerr << "fablewick-cli: " << error.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace fablewick
