/*  Loads a fact file that pgdump2pl wrote, in either mode, with the
    clauses consult would give, in a fraction of consult's time.

    Consult spends most of its time on what facts never need: term and
    goal expansion, source positions and variable names. This reads each
    term bare and asserts it. The lines that are plain facts, nearly all
    of a fact file, are read and asserted by plain_facts.so beside this
    file, when it is there; Prolog's reader reads the rest.
*/
:- module(pgdump2pl, [load_facts/1, load_facts/2]).

:- use_module(library(error)).
:- use_module(library(option)).
:- use_module(library(nb_set)).

:- prolog_load_context(directory, Dir),
   current_prolog_flag(shared_object_extension, Extension),
   file_name_extension(plain_facts, Extension, Name),
   directory_file_path(Dir, Name, Library),
   (   exists_file(Library)
   ->  catch(load_foreign_library(Library), Error,
             print_message(warning, Error))
   ;   true
   ).

:- meta_predicate
    load_facts(:),
    load_facts(:, +).

%!  load_facts(:File) is det.
%!  load_facts(:File, +Options) is det.
%
%   Loads the facts of File into the calling module, or the one given
%   by module(Module). Options:
%
%     - module(Module): where the predicates go;
%     - encoding(Encoding): the file's encoding, utf8 unless said, in
%       any locale (a `:- encoding(E).` directive in the file wins).
%
%   The predicates are dynamic. Each one the file defines is emptied
%   before its first clause, so loading a file again replaces its facts
%   as consulting it again does. Directives run in Module, as consult
%   runs them; a syntax error is reported with the file and line, the
%   term skipped and the loading goes on, as consult does.

load_facts(File) :-
    load_facts(File, []).

load_facts(Caller:Source, Options) :-
    must_be(list, Options),
    option(module(Module), Options, Caller),
    must_be(atom, Module),
    option(encoding(Encoding), Options, utf8),
    absolute_file_name(Source, File, [file_type(prolog), access(read)]),
    current_prolog_flag(agc_margin, Margin),
    setup_call_cleanup(
        ( open(File, read, In, [encoding(Encoding)]),
          % Every atom read ends up in a clause, so the atom collector
          % would only scan a growing table again and again.
          set_prolog_flag(agc_margin, 0)
        ),
        load_stream(In, Module),
        ( set_prolog_flag(agc_margin, Margin),
          close(In)
        )).

%   The loop backtracks over each term, so no term outlives its clause.
%   State holds the predicate of the last fact, so that only a change of
%   predicate costs a look-up, and what to do with its facts.

load_stream(In, Module) :-
    empty_nb_set(Seen),
    State = state(-, -, assert, Seen),
    (   plain_reader(In, Module, Reader)
    ->  call_cleanup(plain_terms(Reader, In, Module, State),
                     plain_facts_close(Reader))
    ;   true
    ),
    read_terms(In, Module, State).

read_terms(In, Module, State) :-
    repeat,
    read_next(In, Module, Term),
    (   Term == end_of_file
    ->  !
    ;   load_term(Term, In, Module, State)
    ).

%   As consult reads a term: a syntax error is reported and skipped.

read_next(In, Module, Term) :-
    read_term(In, Term, [syntax_errors(dec10), module(Module)]).

%   plain_facts/7 asserts the facts of the current predicate that stand on
%   lines of their own and hands back the rest: a fact of another
%   predicate, or the place where Prolog's reader must read a term.
%   plain_terms/4 stops at the end of the file, or when the stream's
%   encoding or a directive changes how the rest must be read; read_terms/3
%   then reads on from where the stream is.

plain_reader(In, Module, Reader) :-
    current_predicate(plain_facts/7),
    stream_property(In, file_name(File)),
    reads_as_plain_facts(In, Module),
    plain_facts_open(File, Reader).

reads_as_plain_facts(In, Module) :-
    stream_property(In, encoding(utf8)),
    catch(term_string(Escape, "'\\n'", [module(Module)]), _, fail),
    Escape == '\n'.

plain_terms(Reader, In, Module, State) :-
    stream_property(In, position(From)),
    plain_terms(From, 1, Reader, In, Module, State).

%   Wait is how many terms Prolog's reader reads when plain_facts/7 takes
%   nothing, doubled each time it does so again, so that a file of other
%   lines costs it little.

plain_terms(From, Wait, Reader, In, Module, State) :-
    State = state(Name, Arity, Action, _),
    plain_facts(Reader, From, Module, Name, Arity, Action, Result),
    (   Result = fact(Fact)
    ->  \+ load_term(Fact, In, Module, State),
        plain_terms(-, 1, Reader, In, Module, State)
    ;   Result = other(At),
        (   At == From
        ->  Terms = Wait,
            Next is min(2 * Wait, 256)
        ;   set_stream_position(In, At),
            Terms = 1,
            Next = 1
        ),
        prolog_terms(Terms, In, Module, State, Went),
        (   Went == on
        ->  stream_property(In, position(Here)),
            plain_terms(Here, Next, Reader, In, Module, State)
        ;   true
        )
    ).

%   Went is stop at the end of the file, and after a directive that
%   changes how the rest must be read.

prolog_terms(0, _, _, _, on) :-
    !.
prolog_terms(Count, In, Module, State, Went) :-
    read_next(In, Module, Term),
    (   Term == end_of_file
    ->  Went = stop
    ;   \+ load_term(Term, In, Module, State),
        (   ( Term = (:- _) ; Term = (?- _) ),
            \+ reads_as_plain_facts(In, Module)
        ->  Went = stop
        ;   Left is Count - 1,
            prolog_terms(Left, In, Module, State, Went)
        )
    ).

%   Fails after each term, for the loop to read the next. The first line
%   is the path of nearly every term: a fact of the last predicate.

load_term(Term, In, Module, State) :-
    functor(Term, Name, Arity),
    (   arg(1, State, Name),
        arg(2, State, Arity)
    ->  arg(3, State, assert)
    ;   other_term(Term, Name, Arity, In, Module, State)
    ),
    assertz(Module:Term),
    fail.

other_term((:- Directive), _, _, In, Module, _) :-
    !,
    directive(Directive, In, Module),
    fail.
other_term((?- Directive), _, _, In, Module, _) :-
    !,
    directive(Directive, In, Module),
    fail.
other_term((Head :- _), _, _, _, Module, State) :-
    !,
    functor(Head, Name, Arity),
    new_predicate(Name, Arity, Module, State),
    % A rule is no fact: the next fact looks its predicate up again.
    nb_setarg(2, State, -),
    arg(3, State, assert).
other_term(_, Name, Arity, _, Module, State) :-
    new_predicate(Name, Arity, Module, State),
    arg(3, State, assert).

%   The first clause of a predicate in this file empties it; a later
%   block of the same predicate adds to it. A predicate that cannot be
%   made dynamic (a built-in, an imported one) is reported once and its
%   clauses are skipped.

new_predicate(Name, Arity, Module, State) :-
    nb_setarg(1, State, Name),
    nb_setarg(2, State, Arity),
    arg(4, State, Seen),
    add_nb_set(Name/Arity, Seen, New),
    functor(Head, Name, Arity),
    (   New == false
    ->  (   predicate_property(Module:Head, dynamic)
        ->  Action = assert
        ;   Action = skip
        )
    ;   catch(( dynamic(Module:Name/Arity),
                retractall(Module:Head),
                Action = assert
              ),
              error(Formal, _),
              ( print_message(error, error(Formal, _)),
                Action = skip
              ))
    ),
    nb_setarg(3, State, Action).

%   As consult: an encoding directive applies to the rest of the file;
%   any other runs in Module, and an error or a failure is reported.

directive(encoding(Encoding), In, _) :-
    !,
    set_stream(In, encoding(Encoding)).
directive(Goal, _, Module) :-
    (   Error = error(_, _),
        catch(Module:Goal, Error, (print_message(error, Error), fail))
    ->  true
    ;   print_message(warning, goal_failed(directive, Module:Goal))
    ).
