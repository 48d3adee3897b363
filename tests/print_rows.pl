% Loads facts.pl and prints every fact as one line, in the form of
% fixtures/all_kinds_rows.sql: the functor and the arguments by tabs, a
% float by its exact value, an atom by the hex of its UTF-8 bytes, so that
% no two different values print alike.
:- use_module(library(utf8)).

print_rows :-
    % As the README says to load a UTF-8 dump's facts in any locale.
    load_files('facts.pl', [encoding(utf8)]),
    absolute_file_name('facts.pl', File),
    forall((source_file(Fact, File), clause(Fact, true)), print_row(Fact)).

% The same, loaded by load_facts/1 (loaded first) into a module of their
% own.
print_loaded_rows :-
    load_facts(loaded:'facts.pl'),
    forall(( current_predicate(loaded:Name/Arity), functor(Fact, Name, Arity),
             \+ predicate_property(loaded:Fact, imported_from(_)), clause(loaded:Fact, true) ),
           print_row(Fact)).

print_row(Fact) :-
    Fact =.. [Name|Arguments],
    maplist(canonical, [Name|Arguments], Columns),
    atomic_list_concat(Columns, '\t', Line),
    writeln(Line).

canonical(X, C) :- integer(X), !, format(atom(C), 'i:~d', [X]).
canonical(X, C) :-
    float(X), !,
    ( float_class(X, Class), memberchk(Class, [normal, subnormal]) -> Exact is rational(X) ; Exact = X ),
    format(atom(C), 'f:~w', [Exact]).
canonical(X, C) :-
    atom(X), !, atom_codes(X, Codes), phrase(utf8_codes(Codes), Bytes),
    maplist([B, H]>>format(atom(H), '~|~`0t~16r~2+', [B]), Bytes, Hex),
    atomic_list_concat(['a:'|Hex], C).
canonical(X, C) :- format(atom(C), 'other:~q', [X]).

% The rows print_rows_gnu.pl printed, from standard input, with each
% g:TEXT float as its exact value.
exact_floats :-
    read_line_to_string(user_input, Line),
    (   Line == end_of_file
    ->  true
    ;   split_string(Line, "\t", "", Fields),
        maplist(exact_float, Fields, Columns),
        atomic_list_concat(Columns, '\t', Row),
        writeln(Row),
        exact_floats
    ).

exact_float(Field, Column) :- string_concat("g:", Text, Field), !, number_string(X, Text), canonical(X, Column).
exact_float(Field, Field).
