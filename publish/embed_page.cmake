# Writes OUTPUT, a C++ source defining BuiltInPageParts() from the files of web/page/ (PAGE_DIR),
# each as a raw string literal.
cmake_minimum_required(VERSION 3.25)
file(READ ${PAGE_DIR}/page.html page_html)
file(READ ${PAGE_DIR}/page.js page_script)
file(READ ${PAGE_DIR}/page.css page_style)
foreach(text IN ITEMS page_html page_script page_style)
  string(FIND "${${text}}" ")fwpage\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "A file of ${PAGE_DIR} holds the literal's closing mark )fwpage\"")
  endif()
endforeach()
file(WRITE ${OUTPUT}.tmp
  "// Made by publish/embed_page.cmake from web/page/; do not edit.\n"
  "#include \"publish/page_parts.h\"\n\nnamespace fablewick {\n\n"
  "PageParts BuiltInPageParts() {\n"
  "  static constexpr char kHtml[] = R\"fwpage(${page_html})fwpage\";\n"
  "  static constexpr char kScript[] = R\"fwpage(${page_script})fwpage\";\n"
  "  static constexpr char kStyle[] = R\"fwpage(${page_style})fwpage\";\n"
  "  return {kHtml, kScript, kStyle};\n}\n\n}  // namespace fablewick\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
