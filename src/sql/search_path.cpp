#include "sql/search_path.h"

#include "sql/identifier.h"
#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {

SearchPath read_search_path(SqlLexer& lexer) {
  SearchPath path;
  if (!accept_word(lexer, "default")) {
    // Each item is one schema, a string too: SET search_path = 'a, b' names "a, b".
    std::string name;
    do {
      const Token& token = lexer.current();
      if (token.kind != TokenKind::word && token.kind != TokenKind::quoted_name && token.kind != TokenKind::string) {
        break;
      }
      name.assign(token.text);
      truncate_name(name);
      path.schemas.push_back(name);
      step(lexer);
    } while (accept_symbol(lexer, ","));
  } else {
    path.schemas.push_back("public");
  }
  lexer.skip_statement();
  return path;
}

}  // namespace pgdump2pl
