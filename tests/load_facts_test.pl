% load_facts/1 against consult, the oracle: each fact file below is
% loaded twice by each, into a module of its own, and both must end with
% the same clauses in the same order and print the same messages. The
% second load checks that loading again replaces the facts, as consult's
% reload does.
%
%   swipl load_facts_test.pl FIXTURES_DIR      (exit status 1 on a difference)
:- use_module('../prolog/pgdump2pl').
:- initialization(main, main).

% case(File, Where): Where is the file:line: each message must name, in
% order; a file that loads cleanly prints none.
case('crawler.pl', []).
case('crawler-quoted.pl', []).
case('crawler-inserts.pl', []).
case('loading-discontiguous.pl', []).
case('loading-encoding.pl', []).
case('loading-syntax-error.pl', ['loading-syntax-error.pl:6:', 'loading-syntax-error.pl:6:']).

:- dynamic message/1, capturing/0.

user:message_hook(_, Kind, Lines) :-
    capturing,
    memberchk(Kind, [error, warning]),
    with_output_to(string(Text), print_message_lines(current_output, kind(Kind), Lines)),
    assertz(message(Text)).

main([Dir]) :-
    findall(File, (case(File, Where), \+ same_load(Dir, File, Where)), Failed),
    (   Failed == []
    ->  true
    ;   format(user_error, "load_facts/1 differs from consult on ~w~n", [Failed]),
        halt(1)
    ).

same_load(Dir, Name, Where) :-
    directory_file_path(Dir, Name, File),
    atom_concat(consulted_, Name, Consulted),
    atom_concat(loaded_, Name, Loaded),
    loaded(load_files(Consulted:File, [encoding(utf8)]), Consulted, ByConsult, Said),
    loaded(load_facts(Loaded:File), Loaded, ByLoader, Told),
    report(ByConsult == ByLoader, Name, "clauses", ByConsult, ByLoader),
    report(Said == Told, Name, "messages", Said, Told),
    length(Where, Count),
    report((length(Told, Count), forall(nth1(I, Told, Text), (nth1(I, Where, Place), sub_string(Text, _, _, _, Place)))),
           Name, "places", Where, Told).

% loaded(Goal, Module, Clauses, Messages): Goal run twice, then Module's
% clauses by predicate, and what it printed.
loaded(Goal, Module, Clauses, Messages) :-
    retractall(message(_)),
    setup_call_cleanup(assertz(capturing), (call(Goal), call(Goal)), retractall(capturing)),
    findall(Text, message(Text), Messages),
    findall(Name/Arity-Bodies,
            ( current_predicate(Module:Name/Arity),
              functor(Head, Name, Arity),
              \+ predicate_property(Module:Head, imported_from(_)),
              findall(Head-Body, clause(Module:Head, Body), Bodies)
            ),
            Unsorted),
    msort(Unsorted, Clauses).

report(Test, _, _, _, _) :-
    call(Test),
    !.
report(_, Name, What, Expected, Got) :-
    format(user_error, "~w: ~s differ~n  expected ~q~n  got      ~q~n", [Name, What, Expected, Got]),
    fail.
