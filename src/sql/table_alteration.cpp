#include "sql/table_alteration.h"

#include "sql/object_names.h"
#include "sql/statement_tokens.h"

namespace pgdump2pl {
namespace {

// ALTER [COLUMN] column's action.
void read_column_action(SqlLexer& lexer, std::string column, std::vector<TableAction>& actions) {
  bool type = false;
  if (accept_word(lexer, "set")) {
    if (accept_word(lexer, "default")) {
      SetColumnDefault action{std::move(column), {}};
      read_column_default(lexer, action.value.value, action.value.sequence);
      actions.emplace_back(std::move(action));
    } else {
      type = accept_word(lexer, "data") && accept_word(lexer, "type");
    }
  } else if (accept_word(lexer, "type")) {
    type = true;
  } else if (accept_word(lexer, "drop")) {
    if (accept_word(lexer, "default")) {
      actions.emplace_back(DropColumnDefault{std::move(column)});
    } else if (accept_word(lexer, "identity") || accept_word(lexer, "expression")) {
      actions.emplace_back(DropColumnIdentity{std::move(column)});
    }
  } else if (accept_word(lexer, "add") && accept_word(lexer, "generated")) {
    actions.emplace_back(AddColumnGenerated{std::move(column), read_generated_clause(lexer)});
  }
  if (type) {
    SetColumnType action{std::move(column), {}};
    if (read_type_name(lexer, action.type)) actions.emplace_back(std::move(action));
  }
}

// One action of ALTER TABLE.
void read_action(SqlLexer& lexer, std::vector<TableAction>& actions) {
  if (accept_word(lexer, "add")) {
    if (!accept_word(lexer, "column") &&
        (begins_table_constraint(lexer.current()) || lexer.current().is_word("exclude"))) {
      return;
    }
    AddColumn action;
    action.if_not_exists = accept_if_exists(lexer);
    if (!read_name(lexer, action.column.name)) return;
    if (read_column_definition(lexer, false, action.column)) actions.emplace_back(std::move(action));
  } else if (accept_word(lexer, "drop")) {
    if (!accept_word(lexer, "column") && lexer.current().is_word("constraint")) return;
    accept_if_exists(lexer);
    DropColumn action;
    if (read_name(lexer, action.column)) actions.emplace_back(std::move(action));
  } else if (accept_word(lexer, "alter")) {
    accept_word(lexer, "column");
    std::string column;
    if (read_name(lexer, column)) read_column_action(lexer, std::move(column), actions);
  } else if (accept_word(lexer, "rename")) {
    if (accept_word(lexer, "to")) {
      RenameTable action;
      if (read_name(lexer, action.name)) actions.emplace_back(std::move(action));
    } else if (!lexer.current().is_word("constraint")) {
      accept_word(lexer, "column");
      RenameColumn action;
      if (read_name(lexer, action.from) && accept_word(lexer, "to") && read_name(lexer, action.to)) {
        actions.emplace_back(std::move(action));
      }
    }
  } else if (accept_word(lexer, "set")) {
    SetTableSchema action;
    if (accept_word(lexer, "schema") && read_name(lexer, action.schema)) actions.emplace_back(std::move(action));
  } else if (accept_word(lexer, "attach")) {
    AttachPartition action;
    if (accept_word(lexer, "partition") && read_qualified_name(lexer, action.partition)) {
      actions.emplace_back(std::move(action));
    }
  } else if (accept_word(lexer, "inherit")) {
    InheritTable action;
    if (read_qualified_name(lexer, action.parent)) actions.emplace_back(std::move(action));
  } else if (accept_word(lexer, "no")) {
    NoInheritTable action;
    if (accept_word(lexer, "inherit") && read_qualified_name(lexer, action.parent)) {
      actions.emplace_back(std::move(action));
    }
  }
}

}  // namespace

bool read_table_alteration(SqlLexer& lexer, TableAlteration& alteration) {
  alteration = {};
  accept_if_exists(lexer);
  alteration.only = accept_word(lexer, "only");
  if (!read_qualified_name(lexer, alteration.table)) return false;
  accept_symbol(lexer, "*");
  do {
    read_action(lexer, alteration.actions);
    skip_list_element(lexer);
  } while (accept_symbol(lexer, ","));
  return true;
}

}  // namespace pgdump2pl
