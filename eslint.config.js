// The linter's rules for the project's JavaScript: the extension (content scripts are classic
// scripts sharing one world; the frame and the background are modules), its unit tests, and the
// browser tests, benchmark and demo (node). Run by `npm run lint` in the format check.
import js from '@eslint/js';
import globals from 'globals';

const strict = {
  ...js.configs.recommended.rules,
  // The type check (tsconfig.json) finds undeclared names across the content scripts' files.
  'no-undef': 'off',
  'no-unused-vars': ['error', { argsIgnorePattern: '^_', caughtErrors: 'none' }],
  eqeqeq: ['error', 'always'],
  'no-var': 'error',
  'prefer-const': 'error',
  'no-implicit-coercion': 'error',
  'no-shadow': 'error',
  'no-param-reassign': 'error',
  'no-eval': 'error',
  'no-implied-eval': 'error',
  'no-new-func': 'error',
  'no-script-url': 'error',
  'no-proto': 'error',
  'no-extend-native': 'error',
  'no-return-assign': 'error',
  'no-throw-literal': 'error',
  'prefer-promise-reject-errors': 'error',
  radix: 'error',
  curly: ['error', 'multi-line'],
  'default-case-last': 'error',
  'no-restricted-properties': [
    'error',
    { property: 'innerHTML', message: 'Build nodes; never parse markup.' },
    { property: 'outerHTML', message: 'Build nodes; never parse markup.' },
    { property: 'insertAdjacentHTML', message: 'Build nodes; never parse markup.' },
  ],
  'no-restricted-globals': ['error', 'event', 'name', 'status'],
};

const webExtension = { chrome: 'readonly', browser: 'readonly' };

export default [
  { ignores: ['build/**', 'node_modules/**'] },
  {
    files: ['extension/content/**/*.js', 'extension/shared/**/*.js', 'extension/page/**/*.js'],
    languageOptions: {
      sourceType: 'script',
      globals: { ...globals.browser, ...webExtension },
    },
    // Their top-level names are shared with the scripts loaded after them.
    rules: { ...strict, 'no-unused-vars': ['error', { vars: 'local', args: 'after-used' }] },
  },
  {
    files: [
      'extension/frame/**/*.js',
      'extension/background/**/*.js',
      'extension/options/**/*.js',
      'extension/consent/**/*.js',
    ],
    languageOptions: {
      sourceType: 'module',
      globals: { ...globals.browser, ...globals.serviceworker, ...webExtension },
    },
    rules: strict,
  },
  {
    files: ['**/*.test.js', '**/*.mjs', 'eslint.config.js'],
    languageOptions: {
      sourceType: 'module',
      globals: { ...globals.node, ...globals.browser },
    },
    rules: strict,
  },
];
