% swipl -q -f none --no-packs --on-error=status --on-warning=status \
%       -g main -t halt print_facts.pl -- FACTS
%
% Loads FACTS, read as UTF-8, into module facts, then prints every fact on
% a line of its own: the functor, then each argument as i:DECIMAL for an
% integer or t:HEX for an atom (its UTF-8 bytes), tab-separated. Hex keeps
% quotes, backslashes, tabs and newlines out of the way, so the round-trip
% test compares bytes without a Prolog reader of its own. Any error or
% warning while loading makes the exit status 1 (--on-error, --on-warning).
:- use_module(library(utf8)).

main :-
    current_prolog_flag(argv, [File]),
    load_files(facts:File, [encoding(utf8)]),
    absolute_file_name(File, Path),
    forall(( source_file(facts:Head, Path), clause(facts:Head, true) ),
           print_fact(Head)).

print_fact(Fact) :-
    Fact =.. [Name|Args],
    format("~a", [Name]),
    forall(member(Arg, Args), print_argument(Arg)),
    nl.

print_argument(N) :-
    integer(N), !,
    format("\ti:~d", [N]).
print_argument(A) :-
    atom(A), !,
    atom_codes(A, Codes),
    phrase(utf8_codes(Codes), Bytes),
    format("\tt:"),
    forall(member(B, Bytes), format("~|~`0t~16r~2+", [B])).
print_argument(X) :-
    format("\t?:~q", [X]).
