% load_facts/1 against consult, the oracle: each fact file below is
% loaded twice by each, into a module of its own, and both must end with
% the same clauses in the same order and print the same messages. The
% second load checks that loading again replaces the facts, as consult's
% reload does. A loader with the plain-fact reader beside it must load it
% and take the plain lines through it.
%
%   swipl load_facts_test.pl LOADER_DIR FIXTURES_DIR   (exit status 1 on a difference)
%
% LOADER_DIR holds pgdump2pl.pl, and perhaps its plain-fact reader.
:- initialization(main, main).

% case(File, Where): Where is the file:line: each message must name, in
% order; a file that loads cleanly prints none.
case('crawler.pl', []).
case('crawler-quoted.pl', []).
case('crawler-inserts.pl', []).
case('loading-discontiguous.pl', []).
case('loading-encoding.pl', []).
case('loading-plain-lines.pl', []).
case('loading-bom.pl', []).
case('loading-cut-end.pl', ['loading-cut-end.pl:2:', 'loading-cut-end.pl:2:']).
case('loading-syntax-error.pl', Places) :-
    Once = ['loading-syntax-error.pl:6:', 'loading-syntax-error.pl:11:',
            'loading-syntax-error.pl:13:', 'loading-syntax-error.pl:14:',
            'loading-syntax-error.pl:16:'],
    append(Once, Once, Places).

:- dynamic message/1, capturing/0.

user:message_hook(_, Kind, Lines) :-
    capturing,
    memberchk(Kind, [error, warning]),
    with_output_to(string(Text), print_message_lines(current_output, kind(Kind), Lines)),
    assertz(message(Text)).

main([LoaderDir, Dir]) :-
    directory_file_path(LoaderDir, 'pgdump2pl.pl', Loader),
    use_module(Loader),
    tmp_file(load_facts_test, Scratch),
    make_directory(Scratch),
    write_long_file(Scratch, 'loading-long.pl'),
    findall(File, ( ( case(File, Where), In = Dir
                    ; File = 'loading-long.pl', Where = [], In = Scratch
                    ),
                    \+ same_load(In, File, Where)
                  ),
            Failed0),
    (   plain_reader_built(LoaderDir),
        \+ plain_lines_taken(Scratch, 'loading-long.pl')
    ->  Failed = ['loading-long.pl'|Failed0]
    ;   Failed = Failed0
    ),
    delete_directory_and_contents(Scratch),
    (   Failed == []
    ->  true
    ;   format(user_error, "load_facts/1 differs from consult on ~w~n", [Failed]),
        halt(1)
    ).

plain_reader_built(Dir) :-
    current_prolog_flag(shared_object_extension, Extension),
    file_name_extension(plain_facts, Extension, Name),
    directory_file_path(Dir, Name, Library),
    exists_file(Library).

% With its plain-fact reader, the loader must take the lines of the long
% file through it, and loaded, it costs a few hundred inferences in all;
% read by Prolog's reader, they cost several inferences a fact.
plain_lines_taken(Dir, Name) :-
    report(current_predicate(pgdump2pl:plain_facts/7), Name, "plain-fact readers", loaded, missing),
    directory_file_path(Dir, Name, File),
    statistics(inferences, Before),
    load_facts(taken:File),
    statistics(inferences, After),
    aggregate_all(count, taken:long(_, _, _), Facts),
    Used is After - Before,
    report(Used < Facts, Name, "inferences", fewer_than(Facts), Used).

% More than the plain-fact reader reads at once (a megabyte): lines of
% lengths up to 8 KB, which straddle its reads, then one of 3 MB, three
% reads long; two predicates in turns. Each line has each kind of value
% the reader takes.
write_long_file(Dir, Name) :-
    directory_file_path(Dir, Name, File),
    setup_call_cleanup(
        open(File, write, Out, [encoding(utf8)]),
        ( format(Out, ":- discontiguous(long/3).~n:- discontiguous(short/1).~n", []),
          forall(between(1, 3000, I),
                 ( Length is (I * I * 7) mod 4001,
                   length(Codes, Length),
                   maplist(=(0'é), Codes),
                   atom_codes(Text, Codes),
                   format(Out, "long(~d,'~w',[-~d,1.5e3,'it''s\\n\\x41\\',[]]).~n", [I, Text, I]),
                   (   I mod 1000 =:= 0
                   ->  format(Out, "short(~d).~n", [I])
                   ;   true
                   )
                 )),
          length(Huge, 3_000_000),
          maplist(=(0'x), Huge),
          atom_codes(HugeText, Huge),
          format(Out, "long(0,~q,0).~n", [HugeText])
        ),
        close(Out)).

same_load(Dir, Name, Where) :-
    directory_file_path(Dir, Name, File),
    atom_concat(consulted_, Name, Consulted),
    atom_concat(loaded_, Name, Loaded),
    loaded(load_files(Consulted:File, [encoding(utf8)]), Consulted, ByConsult, Said),
    loaded(load_facts(Loaded:File), Loaded, ByLoader, Told),
    report(ByConsult =@= ByLoader, Name, "clauses", ByConsult, ByLoader),
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
