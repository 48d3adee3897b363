#include "sql/table_definition.h"

#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {
namespace {

void read_like(SqlLexer& lexer, std::vector<TableElement>& elements) {
  LikeClause like;
  if (!read_qualified_name(lexer, like.source)) return;
  while (lexer.current().is_word("including") || lexer.current().is_word("excluding")) {
    const bool including = lexer.current().is_word("including");
    const Token& option = step(lexer);
    if (option.is_word("all")) like.defaults = like.generated = like.identity = including;
    if (option.is_word("defaults")) like.defaults = including;
    if (option.is_word("generated")) like.generated = including;
    if (option.is_word("identity")) like.identity = including;
    step(lexer);
  }
  elements.emplace_back(std::move(like));
}

void read_element(SqlLexer& lexer, bool partition, std::vector<TableElement>& elements) {
  if (accept_word(lexer, "like")) return read_like(lexer, elements);
  if (begins_table_constraint(lexer.current())) return;
  const bool plain_word = lexer.current().kind == TokenKind::word;
  ColumnDefinition column;
  if (!read_name(lexer, column.name)) return;
  if (plain_word && column.name == "exclude" && (lexer.current().is_symbol("(") || lexer.current().is_word("using"))) {
    return;
  }
  if (read_column_definition(lexer, partition, column)) elements.emplace_back(std::move(column));
}

}  // namespace

bool read_table_definition(SqlLexer& lexer, bool temporary, TableDefinition& table) {
  table = {};
  table.temporary = temporary;
  table.if_not_exists = accept_if_exists(lexer);
  if (!read_qualified_name(lexer, table.name)) return false;
  table.partition = accept_word(lexer, "partition");
  if (table.partition) {
    QualifiedName parent;
    if (!accept_word(lexer, "of") || !read_qualified_name(lexer, parent)) return true;
    table.parent = std::move(parent);
  }
  if (accept_symbol(lexer, "(")) {
    while (!ends_statement(lexer.current()) && !lexer.current().is_symbol(")")) {
      read_element(lexer, table.partition, table.elements);
      skip_list_element(lexer);
      accept_symbol(lexer, ",");
    }
    accept_symbol(lexer, ")");
  } else if (!table.partition) {
    table.columns_known = false;  // AS a query, OF a composite type
    return true;
  }
  while (!ends_statement(lexer.current())) {
    if (lexer.current().is_word("as")) {  // (a, b) AS a query: names without types
      table.columns_known = false;
      return true;
    }
    if (accept_word(lexer, "inherits") && accept_symbol(lexer, "(")) {
      QualifiedName parent;
      do {
        if (!read_qualified_name(lexer, parent)) break;
        table.inherits.push_back(parent);
      } while (accept_symbol(lexer, ","));
      continue;
    }
    skip_group(lexer);
  }
  return true;
}

}  // namespace pgdump2pl
