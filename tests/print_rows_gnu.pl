% GNU Prolog: loads facts.pl and prints every fact after a line `rows`,
% as print_rows.pl prints it, but a float as g:TEXT, a text that reads
% back as the same double; print_rows.pl's exact_floats makes it exact.
print_rows :-
    consult('facts.pl'),
    write(rows), nl,
    (   current_predicate(Name/Arity),
        \+ memberchk(Name, [print_rows, print_field, print_hex]),
        functor(Fact, Name, Arity),
        call(Fact),
        Fact =.. [_|Arguments],
        print_field(Name),
        (member(Argument, Arguments), write('\t'), print_field(Argument), fail ; nl),
        fail
    ;   true
    ).

print_field(X) :- integer(X), !, write('i:'), write(X).
print_field(X) :- float(X), !, write('g:'), writeq(X).
% GNU Prolog's atoms are bytes: the file's UTF-8 as it stands.
print_field(X) :- atom(X), !, atom_codes(X, Bytes), write('a:'), print_hex(Bytes).
print_field(X) :- write('other:'), writeq(X).

print_hex([]).
print_hex([B|Bs]) :- (B < 16 -> write('0') ; true), format('~16r', [B]), print_hex(Bs).
